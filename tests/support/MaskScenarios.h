// The masked edit as a user types it: one table of scenarios that the native key engine and the real control
// both run, with the reader of its text and key notation.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "useredit/MaskKeyEngine.h"

namespace testsupport {

// A row starts from a control that holds `before` as its value, has been entered and has the focus; then the
// selection is set as marked and the modified flag as given. Every row runs with "." as the date separator
// and "_" as the blank.
//
// Texts mark the selection: "[" and "]" around the selected characters with the caret at the "[" (where the
// block cursor keeps it), or "|" where the caret stands with nothing selected. Afterwards only the selected
// range is compared, not the side of the caret.
//
// Keys: a character is typed as a key down, the character and a key up. In braces: a key, with "Shift+" or
// "Ctrl+" before its name: Left, Right, Up, Down, Home, End, Ins, Del, Back, Enter, Esc, Tab, or with Ctrl a
// letter, which makes its control character (Ctrl+C: 0x03). {#7F} is the character with that hexadecimal
// code alone, without a key. {FocusOut} moves the focus to another control, {FocusIn} brings it back.
// {Clear} is a menu's Delete command (WM_CLEAR), which comes without a key.
//
// The control tracks which end of a Shift selection moves from the first key that places the cursor, so a
// row with Shift+Left or Shift+Right starts with such a key.
struct MaskScenario {
    const char* name;
    const char* mask;
    const char* before;
    const char* keys;
    const char* after;
    int beeps = 0;
    bool modified = false;  // afterwards
    bool modifiedBefore = false;
    bool readOnly = false;
    const char* clipboard = "";  // before the keys; nullptr: the clipboard holds no text
    const char* clipboardAfter = "";
    bool clipboardLocked = false;  // the clipboard cannot be opened
    int enters = 0;                // times the validated edit's enter handling ran (OnEnter)
};

// clang-format off
inline constexpr MaskScenario kMaskScenarios[] = {
    // Typing.
    {.name = "a digit fills its position and the cursor skips the literal after it",
     .mask = "000-000", .before = "[_]__-___", .keys = "123", .after = "123-[_]__", .modified = true},
    {.name = "the separator of the next field jumps behind it without a beep",
     .mask = "000-000", .before = "[_]__-___", .keys = "1-", .after = "1__-[_]__", .modified = true},
    {.name = "a character of the wrong class changes nothing and beeps",
     .mask = "000-000", .before = "1__-[_]__", .keys = "x", .after = "1__-[_]__", .beeps = 1},
    {.name = "typing over a selection blanks it and writes at its first input position",
     .mask = "00-00", .before = "[12-3]4", .keys = "9", .after = "9[_]-_4", .modified = true},
    {.name = "behind the last position a typed character is refused, not inserted",
     .mask = "000", .before = "[_]__", .keys = "1234", .after = "123|", .beeps = 1, .modified = true},
    {.name = "a character without a key of its own overwrites at a bare caret, never inserts",
     .mask = "CC", .before = "a|b", .keys = "{#40}", .after = "a@|", .modified = true},
    {.name = "after End a typed character is refused, not inserted",
     .mask = "000", .before = "[1]23", .keys = "{End}4", .after = "123|", .beeps = 1},

    // Locale literals, with "." as the date separator.
    {.name = "the cursor passes the date separator by itself",
     .mask = "00/00/0000", .before = "[_]_.__.____", .keys = "12", .after = "12.[_]_.____", .modified = true},
    {.name = "typing the date separator jumps to the month",
     .mask = "00/00/0000", .before = "[_]_.__.____", .keys = "1.", .after = "1_.[_]_.____", .modified = true},
    {.name = "a slash is not the date separator and is refused",
     .mask = "00/00/0000", .before = "1[_].__.____", .keys = "/", .after = "1[_].__.____", .beeps = 1},

    // Case directives.
    {.name = "> converts letters to upper case",
     .mask = ">LLL", .before = "[_]__", .keys = "abc", .after = "ABC|", .modified = true},
    {.name = "< and > switch the case between positions",
     .mask = "<LL>LL", .before = "[_]___", .keys = "AbCd", .after = "abCD|", .modified = true},
    {.name = "<> ends every conversion",
     .mask = "<>LL", .before = "[_]_", .keys = "aB", .after = "aB|", .modified = true},

    // Input classes.
    {.name = "# takes digits, plus, minus and space",
     .mask = "####", .before = "[_]___", .keys = "+- 5", .after = "+- 5|", .modified = true},
    {.name = "9 refuses a space",
     .mask = "99", .before = "[_]_", .keys = " 5", .after = "5[_]", .beeps = 1, .modified = true},
    {.name = "A takes letters and digits but no sign",
     .mask = "AA", .before = "[_]_", .keys = "%5a", .after = "5a|", .beeps = 1, .modified = true},
    {.name = "L refuses a digit",
     .mask = "LL", .before = "[_]_", .keys = "5x", .after = "x[_]", .beeps = 1, .modified = true},
    {.name = "C takes any printable character",
     .mask = "CC", .before = "[_]_", .keys = "5%", .after = "5%|", .modified = true},

    // Backspace and Delete.
    {.name = "Backspace on the first input position changes nothing",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Back}", .after = "[1]2-34"},
    {.name = "Backspace blanks the input position before the literal",
     .mask = "00-00", .before = "12-[3]4", .keys = "{Back}", .after = "1[_]-34", .modified = true},
    {.name = "Backspace behind the text blanks the last position",
     .mask = "00-00", .before = "12-34|", .keys = "{Back}", .after = "12-3[_]", .modified = true},
    {.name = "Delete blanks the position and the cursor stays on it",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Del}", .after = "1[_]-34", .modified = true},
    {.name = "Delete over a selection blanks its input positions and keeps the literal",
     .mask = "00-00", .before = "1[2-3]4", .keys = "{Del}", .after = "1[_]-_4", .modified = true},
    {.name = "Delete over a selection that starts on a literal leaves the cursor on the next input position",
     .mask = "00-00", .before = "12[-3]4", .keys = "{Del}", .after = "12-[_]4", .modified = true},
    {.name = "Shift+Delete blanks without copying",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Shift+Del}", .after = "[_]2-34", .modified = true,
     .clipboard = "x", .clipboardAfter = "x"},
    {.name = "a read-only edit ignores typing, Delete and Backspace",
     .mask = "00-00", .before = "1[2]-34", .keys = "5{Del}{Back}", .after = "1[2]-34", .readOnly = true},

    // A menu's Delete (WM_CLEAR) does what the Delete key does on the same selection.
    {.name = "the menu command Delete across a literal blanks the positions and keeps the literal",
     .mask = "000-000", .before = "1[23-4]56", .keys = "{Clear}", .after = "1[_]_-_56", .modified = true},
    {.name = "the menu command Delete over the whole text leaves the bare mask",
     .mask = "000-000", .before = "[123-456]", .keys = "{Clear}", .after = "[_]__-___", .modified = true},
    {.name = "the menu command Delete blanks a date part",
     .mask = "00/00/0000", .before = "24.[12].2026", .keys = "{Clear}", .after = "24.[_]_.2026",
     .modified = true},
    {.name = "the menu command Delete blanks letters",
     .mask = ">LLLL", .before = "A[BC]D", .keys = "{Clear}", .after = "A[_]_D", .modified = true},
    {.name = "the menu command Delete changes nothing in a read-only edit or behind the text",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Clear}{End}{Clear}", .after = "12-34|", .readOnly = true},

    // Paste.
    {.name = "Shift+Insert fits 1234 into two fields",
     .mask = "00-00", .before = "[_]_-__", .keys = "{Shift+Ins}", .after = "12-34|", .modified = true,
     .clipboard = "1234", .clipboardAfter = "1234"},
    {.name = "pasting one character changes only the character at the cursor",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Shift+Ins}", .after = "9[2]-34", .modified = true,
     .clipboard = "9", .clipboardAfter = "9"},
    {.name = "Ctrl+V pastes through the mask and blanks what does not fit, silently",
     .mask = "00-00", .before = "12-[_]_", .keys = "{Ctrl+V}", .after = "12-7_|", .modified = true,
     .clipboard = "7x", .clipboardAfter = "7x"},
    {.name = "a pasted text stays modified, so Enter checks it",
     .mask = "00-00", .before = "[_]_-__", .keys = "{Shift+Ins}{Enter}", .after = "12-[_]_", .modified = true,
     .clipboard = "12", .clipboardAfter = "12"},
    {.name = "a clipboard without text changes nothing",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Shift+Ins}", .after = "[1]2-34",
     .clipboard = nullptr, .clipboardAfter = nullptr},
    {.name = "a clipboard that cannot be opened changes nothing",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Shift+Ins}", .after = "[1]2-34",
     .clipboard = "1234", .clipboardAfter = "1234", .clipboardLocked = true},
    {.name = "an empty clipboard text blanks the position at the cursor",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Shift+Ins}", .after = "1[_]-34", .modified = true},
    {.name = "a read-only edit pastes nothing",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Shift+Ins}", .after = "[1]2-34", .readOnly = true,
     .clipboard = "9", .clipboardAfter = "9"},

    // Cursor keys.
    {.name = "Up and Down are swallowed",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Up}{Down}", .after = "1[2]-34"},
    {.name = "Right skips the literal",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Right}", .after = "12-[3]4"},
    {.name = "Left skips the literal",
     .mask = "00-00", .before = "12-[3]4", .keys = "{Left}", .after = "1[2]-34"},
    {.name = "Right on the last position goes behind the text",
     .mask = "00-00", .before = "12-3[4]", .keys = "{Right}", .after = "12-34|"},
    {.name = "Shift+Right adds the next character to the block",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Right}{Shift+Right}", .after = "1[2-]34"},
    {.name = "Right after a Shift selection puts the cursor on its moving end",
     .mask = "00-00", .before = "[1]2-34", .keys = "{Right}{Shift+Right}{Shift+Right}{Right}",
     .after = "12-[3]4"},
    {.name = "Shift+Left after Shift+Right gives the block back",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Home}{Shift+Right}{Shift+Left}", .after = "[1]2-34"},
    {.name = "Home puts the cursor on the first character",
     .mask = "00-00", .before = "12-[3]4", .keys = "{Home}", .after = "[1]2-34"},
    {.name = "End puts the caret behind the text",
     .mask = "00-00", .before = "1[2]-34", .keys = "{End}", .after = "12-34|"},
    {.name = "Shift+Home selects from the start through the cursor",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Right}{Shift+Home}", .after = "[12-3]4"},
    {.name = "Shift+End selects from the cursor to the end",
     .mask = "00-00", .before = "1[2]-34", .keys = "{Right}{Shift+End}", .after = "12-[34]"},

    // Enter and Escape.
    {.name = "Enter on a complete modified text does nothing",
     .mask = "00-00", .before = "12-3[4]", .keys = "{Enter}", .after = "12-3[4]", .modified = true,
     .modifiedBefore = true},
    {.name = "Enter on an incomplete text moves to the first blank required position",
     .mask = "99-00", .before = "__-_[4]", .keys = "{Enter}", .after = "__-[_]4", .modified = true,
     .modifiedBefore = true},
    {.name = "Enter with the modified flag clear checks nothing",
     .mask = "00-00", .before = "1_-3[4]", .keys = "{Enter}", .after = "1_-3[4]"},
    {.name = "an incomplete Enter with the focus here keeps the next entry",
     .mask = "00-00", .before = "1_-3[4]", .keys = "{Enter}{FocusOut}{FocusIn}", .after = "[1_-34]",
     .modifiedBefore = true, .enters = 1},
    {.name = "Escape with the modified flag clear does nothing",
     .mask = "00-00", .before = "12-[3]4", .keys = "{Esc}", .after = "12-[3]4"},
    {.name = "Escape after typing shows the value again, selected and unmodified",
     .mask = "00-00", .before = "[1]2-34", .keys = "98{Esc}", .after = "[12-34]"},

    // Control characters.
    {.name = "Ctrl+C copies the selection and changes nothing",
     .mask = "00-00", .before = "[12-3]4", .keys = "{Ctrl+C}", .after = "[12-3]4", .clipboardAfter = "12-3"},
    {.name = "Ctrl+C copies in a read-only edit",
     .mask = "00-00", .before = "[12]-34", .keys = "{Ctrl+C}", .after = "[12]-34", .readOnly = true,
     .clipboardAfter = "12"},
    {.name = "Ctrl+X copies the selection and blanks it",
     .mask = "00-00", .before = "[12-3]4", .keys = "{Ctrl+X}", .after = "[_]_-_4", .modified = true,
     .clipboardAfter = "12-3"},
    {.name = "Ctrl+X and Ctrl+V do nothing in a read-only edit",
     .mask = "00-00", .before = "[12]-34", .keys = "{Ctrl+X}{Ctrl+V}", .after = "[12]-34", .readOnly = true,
     .clipboard = "9", .clipboardAfter = "9"},
    {.name = "another control character is refused before the selection is blanked",
     .mask = "CC", .before = "[ab]", .keys = "{Ctrl+A}", .after = "[ab]", .beeps = 1},
    {.name = "Tab is refused where any character is taken",
     .mask = "CC", .before = "[a]b", .keys = "{Tab}", .after = "[a]b", .beeps = 1},
    {.name = "the character 7F is refused where any character is taken",
     .mask = "CC", .before = "[a]b", .keys = "{#7F}", .after = "[a]b", .beeps = 1},
};
// clang-format on

// A text with its selection marked, as the table writes it.
struct MarkedText {
    std::string text;
    int anchor = 0;  // EM_SETSEL(anchor, caret) sets the selection with the caret where it is marked
    int caret = 0;
    int Start() const { return anchor < caret ? anchor : caret; }
    int End() const { return anchor < caret ? caret : anchor; }
};

inline MarkedText ReadMarkedText(std::string_view marked) {
    MarkedText result;
    int marks = 0;
    for (const char c : marked) {
        const int here = static_cast<int>(result.text.size());
        if (c == '[') {
            result.caret = here;
            ++marks;
        } else if (c == ']') {
            result.anchor = here;
            ++marks;
        } else if (c == '|') {
            result.anchor = result.caret = here;
            marks += 2;
        } else {
            result.text += c;
        }
    }
    if (marks != 2) {
        throw std::invalid_argument("no single selection marked in \"" + std::string(marked) + "\"");
    }
    return result;
}

// One step of a row's keys.
struct KeyStroke {
    enum class Kind { Key, Char, FocusOut, FocusIn, Clear };
    Kind kind = Kind::Key;
    std::uint16_t key = 0;       // Key: the virtual key
    useredit::ShiftState shift;  // Key
    char c = 0;                  // the character that the key makes, or the character alone; 0: none
};

// The key of a typed character. Any character but a letter, a digit or the space comes from a key of the
// punctuation block, which the masked edit treats like any other key.
inline std::uint16_t KeyOfChar(char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<std::uint16_t>(c - 'a' + 'A');
    }
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') {
        return static_cast<std::uint16_t>(c);
    }
    return 0xBA;
}

inline KeyStroke ReadNamedKey(std::string_view name) {
    KeyStroke stroke;
    for (const auto& [command, kind] : {std::pair{std::string_view("FocusOut"), KeyStroke::Kind::FocusOut},
                                        std::pair{std::string_view("FocusIn"), KeyStroke::Kind::FocusIn},
                                        std::pair{std::string_view("Clear"), KeyStroke::Kind::Clear}}) {
        if (name == command) {
            stroke.kind = kind;
            return stroke;
        }
    }
    if (name.size() == 3 && name[0] == '#') {
        stroke.kind = KeyStroke::Kind::Char;
        stroke.c = static_cast<char>(std::stoi(std::string(name.substr(1)), nullptr, 16));
        return stroke;
    }
    for (const auto& [prefix, flag] : {std::pair{std::string_view("Shift+"), &useredit::ShiftState::Shift},
                                       std::pair{std::string_view("Ctrl+"), &useredit::ShiftState::Ctrl}}) {
        if (name.starts_with(prefix)) {
            stroke.shift.*flag = true;
            name.remove_prefix(prefix.size());
        }
    }
    const struct {
        std::string_view name;
        std::uint16_t key;
        char c;
    } keys[] = {{"Left", useredit::kVkLeft, 0},
                {"Right", useredit::kVkRight, 0},
                {"Up", useredit::kVkUp, 0},
                {"Down", useredit::kVkDown, 0},
                {"Home", useredit::kVkHome, 0},
                {"End", useredit::kVkEnd, 0},
                {"Ins", useredit::kVkInsert, 0},
                {"Del", useredit::kVkDelete, 0},
                {"Back", useredit::kVkBack, 0x08},
                {"Enter", 0x0D, 0x0D},
                {"Esc", 0x1B, 0x1B},
                {"Tab", 0x09, 0x09}};
    for (const auto& key : keys) {
        if (name == key.name) {
            stroke.key = key.key;
            stroke.c = key.c;
            return stroke;
        }
    }
    if (stroke.shift.Ctrl && name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
        stroke.key = static_cast<std::uint16_t>(name[0]);
        stroke.c = static_cast<char>(name[0] - 'A' + 1);
        return stroke;
    }
    throw std::invalid_argument("unknown key {" + std::string(name) + "}");
}

inline std::vector<KeyStroke> ReadKeys(std::string_view keys) {
    std::vector<KeyStroke> strokes;
    while (!keys.empty()) {
        if (keys.front() == '{') {
            const std::size_t close = keys.find('}');
            if (close == std::string_view::npos) {
                throw std::invalid_argument("unclosed key name in \"" + std::string(keys) + "\"");
            }
            strokes.push_back(ReadNamedKey(keys.substr(1, close - 1)));
            keys.remove_prefix(close + 1);
        } else {
            strokes.push_back({.key = KeyOfChar(keys.front()), .shift = {}, .c = keys.front()});
            keys.remove_prefix(1);
        }
    }
    return strokes;
}

// A test name of a scenario: its words, each capitalised, run together.
inline std::string ScenarioTestName(const MaskScenario& scenario) {
    std::string name;
    bool wordStart = true;
    for (const char c : std::string_view(scenario.name)) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            wordStart = true;
            continue;
        }
        name += wordStart && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        wordStart = false;
    }
    return name;
}

}  // namespace testsupport
