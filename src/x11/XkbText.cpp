// XkbText: key text through xkbcommon-x11.
#include "x11/XkbText.h"

// Workaround: xcb/xkb.h names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

namespace morvelan {

void XkbText::Free::operator()(xkb_context* p) const {
    xkb_context_unref(p);
}
void XkbText::Free::operator()(xkb_keymap* p) const {
    xkb_keymap_unref(p);
}
void XkbText::Free::operator()(xkb_state* p) const {
    xkb_state_unref(p);
}

std::unique_ptr<XkbText> XkbText::load(xcb_connection_t* c) {
    std::uint8_t eventBase = 0;
    if (!xkb_x11_setup_xkb_extension(
            c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr))
        return nullptr;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(c);
    if (device < 0) return nullptr;
    const std::uint16_t events =
        XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    const std::uint16_t parts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_KEY_ACTIONS |
                                XCB_XKB_MAP_PART_VIRTUAL_MODS;
    xcb_xkb_select_events_details_t details{};
    details.affectState = XCB_XKB_STATE_PART_MODIFIER_STATE;
    details.stateDetails = XCB_XKB_STATE_PART_MODIFIER_STATE;
    xcb_xkb_select_events_aux(c, static_cast<xcb_xkb_device_spec_t>(device),
                              events | XCB_XKB_EVENT_TYPE_STATE_NOTIFY, 0, events, parts, parts,
                              &details);
    std::unique_ptr<XkbText> xkb(new XkbText);
    xkb->eventBase_ = eventBase;
    xkb->context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!xkb->context_) return nullptr;
    xkb->keymap_.reset(xkb_x11_keymap_new_from_device(xkb->context_.get(), c, device,
                                                      XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!xkb->keymap_) return nullptr;
    xkb->state_.reset(xkb_x11_state_new_from_device(xkb->keymap_.get(), c, device));
    if (!xkb->state_) return nullptr;
    return xkb;
}

XkbText::~XkbText() = default;

bool XkbText::isKeymapChange(const xcb_generic_event_t* event) const {
    if ((event->response_type & 0x7f) != eventBase_) return false;
    const auto type = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event)->xkbType;
    return type == XCB_XKB_NEW_KEYBOARD_NOTIFY || type == XCB_XKB_MAP_NOTIFY;
}

std::optional<std::uint16_t> XkbText::modifierChange(const xcb_generic_event_t* event) const {
    if ((event->response_type & 0x7f) != eventBase_) return std::nullopt;
    const auto* notify = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
    if (notify->xkbType != XCB_XKB_STATE_NOTIFY) return std::nullopt;
    return notify->mods;
}

std::string XkbText::text(xcb_keycode_t key, std::uint16_t state) {
    // The event's state is the whole truth at the press: the modifiers held or locked (the
    // core bits map onto the keymap's real modifiers) and the effective group.
    const xkb_layout_index_t group = (state >> 13) & 3;
    xkb_state_update_mask(state_.get(), state & 0xff, 0, 0, 0, 0, group);
    char buffer[64];
    const int n = xkb_state_key_get_utf8(state_.get(), key, buffer, sizeof buffer);
    return n > 0 && n < int(sizeof buffer) ? std::string(buffer, std::size_t(n)) : std::string();
}

} // namespace morvelan
