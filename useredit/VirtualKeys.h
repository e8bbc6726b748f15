// Windows virtual-key codes (the VK_ values of <windows.h>) and the characters that keys make, as portable
// constants, for the code that handles keys without the Windows headers; a letter key's code is its
// upper-case ASCII letter.
#pragma once

#include <cstdint>

namespace useredit {

inline constexpr std::uint16_t kVkBack = 0x08;
inline constexpr std::uint16_t kVkTab = 0x09;
inline constexpr std::uint16_t kVkReturn = 0x0D;
inline constexpr std::uint16_t kVkEscape = 0x1B;
inline constexpr std::uint16_t kVkEnd = 0x23;
inline constexpr std::uint16_t kVkHome = 0x24;
inline constexpr std::uint16_t kVkLeft = 0x25;
inline constexpr std::uint16_t kVkUp = 0x26;
inline constexpr std::uint16_t kVkRight = 0x27;
inline constexpr std::uint16_t kVkDown = 0x28;
inline constexpr std::uint16_t kVkInsert = 0x2D;
inline constexpr std::uint16_t kVkDelete = 0x2E;

// The characters a keyboard makes for Backspace, Tab, Enter, Escape, Ctrl+C, Ctrl+V, Ctrl+X and
// Ctrl+Backspace; the characters below kFirstTextChar are commands, not text.
inline constexpr char kCharBack = 0x08;
inline constexpr char kCharTab = 0x09;
inline constexpr char kCharEnter = 0x0D;
inline constexpr char kCharEscape = 0x1B;
inline constexpr char kCharCopy = 0x03;
inline constexpr char kCharPaste = 0x16;
inline constexpr char kCharCut = 0x18;
inline constexpr char kCharDel = 0x7F;
inline constexpr unsigned char kFirstTextChar = 0x20;

// A keyboard byte that is a command rather than text: below the text characters, and Ctrl+Backspace.
inline constexpr bool IsControlChar(char c) {
    return static_cast<unsigned char>(c) < kFirstTextChar || c == kCharDel;
}

}  // namespace useredit
