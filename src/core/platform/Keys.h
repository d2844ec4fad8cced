// Keys: the modifier bits and key codes of key events and hotkeys.json. Key codes are the Mac's
// virtual key codes (positions on an ANSI keyboard, named after the US layout), so that
// hotkeys.json files stay portable.
#pragma once

#include <cstdint>

namespace morvelan {

// The modifier bits of a key event, with the values hotkeys.json stores.
namespace Modifier {
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;   // Alt on X11
inline constexpr std::uint64_t command = 0x100000; // Super on X11
inline constexpr std::uint64_t all = shift | control | option | command;
inline constexpr std::uint64_t each[] = {shift, control, option, command};
} // namespace Modifier

namespace Key {
// A key that has no code on a Mac keyboard.
inline constexpr int none = -1;

inline constexpr int a = 0, s = 1, d = 2, f = 3, h = 4, g = 5, z = 6, x = 7, c = 8, v = 9, b = 11,
                     q = 12, w = 13, e = 14, r = 15, y = 16, t = 17, o = 31, u = 32, i = 34, p = 35,
                     l = 37, j = 38, k = 40, n = 45, m = 46;
// The digit row is not in order.
inline constexpr int digit1 = 18, digit2 = 19, digit3 = 20, digit4 = 21, digit6 = 22, digit5 = 23,
                     digit9 = 25, digit7 = 26, digit8 = 28, digit0 = 29;
inline constexpr int isoSection = 10, equal = 24, minus = 27, rightBracket = 30, leftBracket = 33,
                     quote = 39, semicolon = 41, backslash = 42, comma = 43, slash = 44,
                     period = 47, grave = 50;

inline constexpr int returnKey = 36, tab = 48, space = 49, escape = 53;
inline constexpr int backspace = 51; // "Delete" on a Mac keyboard
inline constexpr int forwardDelete = 117, help = 114, home = 115, pageUp = 116, end = 119,
                     pageDown = 121, menu = 110;
inline constexpr int left = 123, right = 124, down = 125, up = 126;

inline constexpr int rightCommand = 54, command = 55, shift = 56, capsLock = 57, option = 58,
                     control = 59, rightShift = 60, rightOption = 61, rightControl = 62;

inline constexpr int f1 = 122, f2 = 120, f3 = 99, f4 = 118, f5 = 96, f6 = 97, f7 = 98, f8 = 100,
                     f9 = 101, f10 = 109, f11 = 103, f12 = 111, f13 = 105, f14 = 107, f15 = 113,
                     f16 = 106, f17 = 64, f18 = 79, f19 = 80, f20 = 90;
inline constexpr int functionKeys[] = {f1,  f2,  f3,  f4,  f5,  f6,  f7,  f8,  f9,  f10,
                                       f11, f12, f13, f14, f15, f16, f17, f18, f19, f20};

inline constexpr int keypad0 = 82, keypad1 = 83, keypad2 = 84, keypad3 = 85, keypad4 = 86,
                     keypad5 = 87, keypad6 = 88, keypad7 = 89, keypad8 = 91, keypad9 = 92;
inline constexpr int keypadDecimal = 65, keypadMultiply = 67, keypadPlus = 69, keypadDivide = 75,
                     keypadEnter = 76, keypadMinus = 78, keypadEquals = 81;

// The letter and digit keys with the character they show on a US keyboard.
struct Character {
    int code;
    char character;
};
inline constexpr Character characters[] = {
    {a, 'A'},      {b, 'B'},      {c, 'C'},      {d, 'D'},      {e, 'E'},      {f, 'F'},
    {g, 'G'},      {h, 'H'},      {i, 'I'},      {j, 'J'},      {k, 'K'},      {l, 'L'},
    {m, 'M'},      {n, 'N'},      {o, 'O'},      {p, 'P'},      {q, 'Q'},      {r, 'R'},
    {s, 'S'},      {t, 'T'},      {u, 'U'},      {v, 'V'},      {w, 'W'},      {x, 'X'},
    {y, 'Y'},      {z, 'Z'},      {digit0, '0'}, {digit1, '1'}, {digit2, '2'}, {digit3, '3'},
    {digit4, '4'}, {digit5, '5'}, {digit6, '6'}, {digit7, '7'}, {digit8, '8'}, {digit9, '9'},
};
} // namespace Key

} // namespace morvelan
