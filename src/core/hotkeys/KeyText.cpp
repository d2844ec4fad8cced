// KeyText: the display text of a binding.
#include "core/hotkeys/KeyText.h"

#include <iterator>

namespace morvelan::KeyText {

namespace {

struct Named {
    int code;
    const char* name;
};

// Keys that type no character, or whose character is not what people call them.
constexpr Named named[] = {
    {Key::returnKey, "Return"},
    {Key::tab, "Tab"},
    {Key::space, "Space"},
    {Key::escape, "Esc"},
    {Key::backspace, "Backspace"},
    {Key::forwardDelete, "Delete"},
    {Key::help, "Insert"}, // the Mac's Help key sits where PC keyboards have Insert
    {Key::home, "Home"},
    {Key::end, "End"},
    {Key::pageUp, "Page Up"},
    {Key::pageDown, "Page Down"},
    {Key::menu, "Menu"},
    {Key::left, "Left"},
    {Key::right, "Right"},
    {Key::down, "Down"},
    {Key::up, "Up"},
    {Key::keypadEnter, "Keypad Enter"},
    {Key::keypadDecimal, "Keypad ."},
    {Key::keypadMultiply, "Keypad *"},
    {Key::keypadPlus, "Keypad +"},
    {Key::keypadMinus, "Keypad -"},
    {Key::keypadDivide, "Keypad /"},
    {Key::keypadEquals, "Keypad ="},
    {Key::keypad0, "Keypad 0"},
    {Key::keypad1, "Keypad 1"},
    {Key::keypad2, "Keypad 2"},
    {Key::keypad3, "Keypad 3"},
    {Key::keypad4, "Keypad 4"},
    {Key::keypad5, "Keypad 5"},
    {Key::keypad6, "Keypad 6"},
    {Key::keypad7, "Keypad 7"},
    {Key::keypad8, "Keypad 8"},
    {Key::keypad9, "Keypad 9"},
};

// What the punctuation keys type on a US keyboard, for when the layout is unknown.
constexpr Key::Character punctuation[] = {
    {Key::minus, '-'},        {Key::equal, '='},      {Key::leftBracket, '['},
    {Key::rightBracket, ']'}, {Key::backslash, '\\'}, {Key::semicolon, ';'},
    {Key::quote, '\''},       {Key::comma, ','},      {Key::period, '.'},
    {Key::slash, '/'},        {Key::grave, '`'},      {Key::isoSection, '<'},
};

} // namespace

std::string mods(std::uint64_t bits) {
    std::string out;
    if (bits & Modifier::control) out += "Ctrl+";
    if (bits & Modifier::option) out += "Alt+";
    if (bits & Modifier::shift) out += "Shift+";
    if (bits & Modifier::command) out += "Super+";
    return out;
}

std::string name(int keyCode, const KeyLabels* labels) {
    for (const auto& [code, text] : named)
        if (code == keyCode) return text;
    for (std::size_t i = 0; i < std::size(Key::functionKeys); ++i)
        if (Key::functionKeys[i] == keyCode) return "F" + std::to_string(i + 1);
    if (labels)
        if (std::string label = labels->label(keyCode); !label.empty()) return label;
    for (const auto& [code, character] : Key::characters)
        if (code == keyCode) return std::string(1, character);
    for (const auto& [code, character] : punctuation)
        if (code == keyCode) return std::string(1, character);
    return "key" + std::to_string(keyCode);
}

std::string of(const KeyBind& bind, const KeyLabels* labels) {
    return mods(bind.mods) + name(bind.keyCode, labels);
}

} // namespace morvelan::KeyText
