// HotkeyActions: the switcher commands the hotkey engine issues, carried out on the main thread.
#pragma once

#include <string>

namespace morvelan {

class HotkeyActions {
public:
    virtual ~HotkeyActions() = default;

    // A binding matched: open over all windows, confined to the active context when asked.
    virtual void switcherOpen(bool confined) = 0;
    // Move the selection one window forward or back.
    virtual void switcherStep(bool forward) = 0;
    // Move the switcher's context by `delta` (-1 or +1).
    virtual void switcherCycleContext(int delta) = 0;
    // Make the context at this 0-based position the switcher's context.
    virtual void switcherSelectContext(int position) = 0;
    // The held modifier was released: focus the selection and close.
    virtual void switcherCommit() = 0;
    // Close without focusing anything.
    virtual void switcherCancel() = 0;
    // Option went down or up: confine the view to the active context or widen it.
    virtual void switcherSetConfined(bool confined) = 0;
    // Enter type-to-filter mode.
    virtual void switcherBeginFilter() = 0;
    // Append typed text to the filter query.
    virtual void switcherFilterType(std::string text) = 0;
    // Remove the query's last character, if any.
    virtual void switcherFilterBackspace() = 0;
    // Close the selected window.
    virtual void switcherCloseSelected() = 0;
    // Ask the selected window's application to quit.
    virtual void switcherQuitSelectedApp() = 0;
};

} // namespace morvelan
