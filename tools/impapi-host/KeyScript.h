// The key scripts of the test workbench: typed characters, named keys with Shift and Ctrl, and clipboard
// texts, parsed into the actions that the workbench plays into a control.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "useredit/VirtualKeys.h"

namespace keyscript {

using useredit::kVkBack;
using useredit::kVkDelete;
using useredit::kVkDown;
using useredit::kVkEnd;
using useredit::kVkEscape;
using useredit::kVkHome;
using useredit::kVkInsert;
using useredit::kVkLeft;
using useredit::kVkReturn;
using useredit::kVkRight;
using useredit::kVkTab;
using useredit::kVkUp;

enum class ActionKind { TypeChar, PressKey, SetClipboard, EditMessage };

// The messages a script sends the edit as other programs, menus and tools send them: WM_CLEAR (a menu's
// Delete), WM_COPY, WM_CUT, WM_PASTE, WM_SETTEXT and EM_REPLACESEL with a text, EM_LIMITTEXT with a number.
enum class EditMessage { Clear, Copy, Cut, Paste, SetText, ReplaceSel, Limit };

// One step of a script. TypeChar uses `ch`, PressKey `key` and `extended` (the keys of the navigation
// block, sent with KEYEVENTF_EXTENDEDKEY), both with the modifiers; SetClipboard uses `text` only;
// EditMessage uses `message` and, as the message needs it, `text` or `number`.
struct KeyAction {
    ActionKind kind = ActionKind::TypeChar;
    char ch = 0;
    std::uint16_t key = 0;
    bool shift = false;
    bool ctrl = false;
    bool extended = false;
    std::string text;
    EditMessage message = EditMessage::Clear;
    unsigned long number = 0;

    static KeyAction Char(char c, bool shift = false, bool ctrl = false) {
        return {ActionKind::TypeChar, c, 0, shift, ctrl, false, {}};
    }
    static KeyAction Key(std::uint16_t vk, bool shift = false, bool ctrl = false, bool extended = false) {
        return {ActionKind::PressKey, 0, vk, shift, ctrl, extended, {}};
    }
    static KeyAction Clipboard(std::string text) {
        return {ActionKind::SetClipboard, 0, 0, false, false, false, std::move(text)};
    }
    static KeyAction Message(EditMessage message, std::string text = {}, unsigned long number = 0) {
        return {ActionKind::EditMessage, 0, 0, false, false, false, std::move(text), message, number};
    }
    static KeyAction Clear() { return Message(EditMessage::Clear); }
    bool operator==(const KeyAction&) const = default;
};

// A script that breaks the syntax; the message is one line naming the problem and its byte offset.
class KeyScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Characters type themselves; "+" (Shift) and "^" (Ctrl) apply to the next key or character, and "^"
// makes a letter its key. Braces name keys ({LEFT}, {ENTER}, ...; "~" is Enter), quote the characters
// + ^ ~ { } and hold clipboard texts ({CLIP:text}); {CLEAR}, {COPY}, {CUT}, {PASTE}, {SETTEXT:text},
// {REPLACESEL:text} and {LIMIT:n} send the edit that message. Throws KeyScriptError.
std::vector<KeyAction> ParseKeyScript(std::string_view script);

// A line for the workbench's log: CR, LF and backslash written as \r, \n and \\.
std::string EscapeLine(const std::string& line);

}  // namespace keyscript
