// QtKeyMonitor: the recorder's in-application key monitor — an application-wide event filter
// that turns key presses into Key codes and Modifier bits and keeps them from controls.
#pragma once

#include "core/platform/Keys.h"
#include "core/settings/SettingsModel.h"
#include "x11/KeyboardMap.h"

#include <QObject>

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace morvelan {

struct RecordedKey {
    int keyCode = Key::none;
    std::uint64_t mods = 0;
};

// Qt's modifier flags as Modifier bits.
std::uint64_t modifierBits(Qt::KeyboardModifiers held);

// The key press as the recorder stores it, through the same keysym table as the global key
// source. With X11 data (native keysym, keycode and state) the key map decides; without it
// (other platforms, synthetic events) Qt's key and modifiers do. Absent for a modifier key
// alone, which the recorder waits past.
std::optional<RecordedKey> recordedKey(const QKeyEvent& event, const KeyboardMap* map);

class QtKeyMonitor : public QObject, public KeyMonitor {
    Q_OBJECT
public:
    // Starts filtering at once; reads the keyboard map when running on X11.
    explicit QtKeyMonitor(KeyHandler handler);
    ~QtKeyMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyHandler handler_;
    std::optional<KeyboardMap> map_;
};

} // namespace morvelan
