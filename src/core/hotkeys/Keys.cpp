// Keys: the display text of a binding.
#include "core/hotkeys/Keys.h"

namespace morvelan::Keys {

const std::map<int, std::string>& ansi() {
    static const std::map<int, std::string> table{
        {0, "A"},  {1, "S"},  {2, "D"},  {3, "F"},  {4, "H"},  {5, "G"},  {6, "Z"},  {7, "X"},
        {8, "C"},  {9, "V"},  {11, "B"}, {12, "Q"}, {13, "W"}, {14, "E"}, {15, "R"}, {16, "Y"},
        {17, "T"}, {31, "O"}, {32, "U"}, {34, "I"}, {35, "P"}, {37, "L"}, {38, "J"}, {40, "K"},
        {45, "N"}, {46, "M"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {23, "5"}, {22, "6"},
        {26, "7"}, {28, "8"}, {25, "9"}, {29, "0"},
    };
    return table;
}

std::string mods(std::uint64_t bits) {
    std::string out;
    if (bits & Modifier::control) out += "⌃";
    if (bits & Modifier::option) out += "⌥";
    if (bits & Modifier::shift) out += "⇧";
    if (bits & Modifier::command) out += "⌘";
    return out;
}

std::string name(int keyCode) {
    switch (keyCode) {
    case 36:
        return "Return";
    case 48:
        return "Tab";
    case 49:
        return "Space";
    case 53:
        return "Esc";
    case 123:
        return "←";
    case 124:
        return "→";
    case 125:
        return "↓";
    case 126:
        return "↑";
    default:
        break;
    }
    const auto& table = ansi();
    if (auto it = table.find(keyCode); it != table.end()) return it->second;
    return "key" + std::to_string(keyCode);
}

std::string text(const KeyBind& bind) {
    return mods(bind.mods) + name(bind.keyCode);
}

} // namespace morvelan::Keys
