// XkbText: the text a key types with the keyboard's whole state — its layout group and the
// levels AltGr reaches — read through xkbcommon from the server's XKB keymap.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace morvelan {

class XkbText {
public:
    // The server's current keymap; absent without the XKB extension. Enables XKB on `c`, so
    // core key events carry the layout group in their state from then on.
    static std::unique_ptr<XkbText> load(xcb_connection_t* c);
    ~XkbText();
    XkbText(const XkbText&) = delete;
    XkbText& operator=(const XkbText&) = delete;

    // The text of `key` pressed in core `state` (modifiers and group, bits 13–14); "" for none.
    std::string text(xcb_keycode_t key, std::uint16_t state);
    // A client using XKB gets no core MappingNotify: this tells the XKB notice of a new keymap.
    bool isKeymapChange(const xcb_generic_event_t* event) const;
    // The modifiers now in effect (core mask bits), when `event` is the notice of their
    // change. XWayland tells a change the compositor sends it this way alone, without a key.
    std::optional<std::uint16_t> modifierChange(const xcb_generic_event_t* event) const;

private:
    XkbText() = default;

    struct Free {
        void operator()(xkb_context* p) const;
        void operator()(xkb_keymap* p) const;
        void operator()(xkb_state* p) const;
    };
    std::unique_ptr<xkb_context, Free> context_;
    std::unique_ptr<xkb_keymap, Free> keymap_;
    std::unique_ptr<xkb_state, Free> state_;
    std::uint8_t eventBase_ = 0;
};

} // namespace morvelan
