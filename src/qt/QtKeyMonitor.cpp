// QtKeyMonitor: key capture for the hotkey recorder.
#include "qt/QtKeyMonitor.h"

#include "x11/KeyCodes.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QtGui/qguiapplication_platform.h>

namespace morvelan {

namespace {

// The key code of a Qt key, for events without X data.
int keyCodeOfQtKey(int key) {
    switch (key) {
    case Qt::Key_Escape:
        return Key::escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Key::tab;
    case Qt::Key_Backspace:
        return Key::backspace;
    case Qt::Key_Return:
        return Key::returnKey;
    case Qt::Key_Enter:
        return Key::keypadEnter;
    case Qt::Key_Delete:
        return Key::forwardDelete;
    case Qt::Key_Home:
        return Key::home;
    case Qt::Key_End:
        return Key::end;
    case Qt::Key_PageUp:
        return Key::pageUp;
    case Qt::Key_PageDown:
        return Key::pageDown;
    case Qt::Key_Left:
        return Key::left;
    case Qt::Key_Up:
        return Key::up;
    case Qt::Key_Right:
        return Key::right;
    case Qt::Key_Down:
        return Key::down;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return Key::functionKeys[key - Qt::Key_F1];
    // Latin-1 keys have the same value as their keysym.
    if (key >= 0x20 && key <= 0xff) return KeyCodes::fromKeysym(static_cast<KeyCodes::Keysym>(key));
    return Key::none;
}

bool isModifierQtKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

// The usual X modifier map (Alt on Mod1, Num Lock on Mod2, Super on Mod4), for when the
// server's is unknown.
KeyCodes::ModifierMasks usualMasks() {
    KeyCodes::ModifierMasks masks;
    masks.option = XCB_MOD_MASK_1;
    masks.numLock = XCB_MOD_MASK_2;
    masks.command = XCB_MOD_MASK_4;
    return masks;
}

} // namespace

std::optional<RecordedKey> recordedKey(const QKeyEvent& event, const KeyboardMap* map) {
    const KeyCodes::Keysym keysym = event.nativeVirtualKey();
    const quint32 scanCode = event.nativeScanCode();
    if (keysym != 0 || scanCode != 0) {
        if (KeyCodes::isModifierKeysym(keysym)) return std::nullopt;
        int code = Key::none;
        // The unshifted key decides, so Shift+5 is 5 and not %.
        if (map && scanCode > 0 && scanCode < 256)
            code = map->keyCode(static_cast<xcb_keycode_t>(scanCode));
        if (code == Key::none) code = KeyCodes::fromKeysym(keysym);
        const auto state = static_cast<std::uint16_t>(event.nativeModifiers());
        return RecordedKey{code, KeyCodes::modsFromState(state, map ? map->masks() : usualMasks())};
    }

    if (isModifierQtKey(event.key())) return std::nullopt;
    return RecordedKey{keyCodeOfQtKey(event.key()), modifierBits(event.modifiers())};
}

std::uint64_t modifierBits(Qt::KeyboardModifiers held) {
    std::uint64_t mods = 0;
    if (held & Qt::ShiftModifier) mods |= Modifier::shift;
    if (held & Qt::ControlModifier) mods |= Modifier::control;
    if (held & Qt::AltModifier) mods |= Modifier::option;
    if (held & Qt::MetaModifier) mods |= Modifier::command;
    return mods;
}

QtKeyMonitor::QtKeyMonitor(KeyHandler handler) : handler_(std::move(handler)) {
    if (auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        if (xcb_connection_t* c = x11->connection()) map_ = KeyboardMap::load(c);
    if (qApp) qApp->installEventFilter(this);
}

QtKeyMonitor::~QtKeyMonitor() {
    if (qApp) qApp->removeEventFilter(this);
}

bool QtKeyMonitor::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claimed, so no shortcut fires; the key press follows.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (auto key = recordedKey(*press, map_ ? &*map_ : nullptr)) {
            // The handler may end recording and destroy this monitor: copy it first.
            KeyHandler handler = handler_;
            handler(key->keyCode, key->mods);
        }
        return true;
    }
    case QEvent::KeyRelease:
        return true;
    default:
        return false;
    }
}

} // namespace morvelan
