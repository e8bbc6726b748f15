// The key scripts of the test workbench: typed characters, named keys with Shift and Ctrl, and clipboard
// texts, parsed into the actions that the workbench plays into a control.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keyscript {

// Windows virtual-key codes (the VK_ constants of <windows.h>); the letter keys are their upper-case
// ASCII codes.
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

enum class ActionKind { TypeChar, PressKey, SetClipboard };

// One step of a script. TypeChar uses `ch`, PressKey `key` and `extended` (the keys of the navigation
// block, sent with KEYEVENTF_EXTENDEDKEY), both with the modifiers; SetClipboard uses `text` only.
struct KeyAction {
    ActionKind kind = ActionKind::TypeChar;
    char ch = 0;
    std::uint16_t key = 0;
    bool shift = false;
    bool ctrl = false;
    bool extended = false;
    std::string text;

    static KeyAction Char(char c, bool shift = false, bool ctrl = false) {
        return {ActionKind::TypeChar, c, 0, shift, ctrl, false, {}};
    }
    static KeyAction Key(std::uint16_t vk, bool shift = false, bool ctrl = false, bool extended = false) {
        return {ActionKind::PressKey, 0, vk, shift, ctrl, extended, {}};
    }
    static KeyAction Clipboard(std::string text) {
        return {ActionKind::SetClipboard, 0, 0, false, false, false, std::move(text)};
    }
    bool operator==(const KeyAction&) const = default;
};

// A script that breaks the syntax; the message is one line naming the problem and its byte offset.
class KeyScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Characters type themselves; "+" (Shift) and "^" (Ctrl) apply to the next key or character, and "^"
// makes a letter its key. Braces name keys ({LEFT}, {ENTER}, ...; "~" is Enter), quote the characters
// + ^ ~ { } and hold clipboard texts ({CLIP:text}). Throws KeyScriptError.
std::vector<KeyAction> ParseKeyScript(std::string_view script);

// A line for the workbench's log: CR, LF and backslash written as \r, \n and \\.
std::string EscapeLine(const std::string& line);

}  // namespace keyscript
