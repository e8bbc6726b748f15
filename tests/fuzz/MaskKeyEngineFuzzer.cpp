// The masked edit's key engine over the native edit window: any mask, a text fitted to it, and then any keys,
// characters, pastes, cuts, focus changes and mouse drags.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "tests/native/support/FakeMaskEditWindow.h"
#include "useredit/CharServices.h"
#include "useredit/EditMask.h"
#include "useredit/MaskKeyEngine.h"

namespace {

using fuzzcheck::Check;
using useredit::ShiftState;

const useredit::Cp1252CharServices kChars;

constexpr std::uint16_t kVkTab = 0x09;
constexpr std::uint16_t kVkReturn = 0x0D;
constexpr std::uint16_t kVkEscape = 0x1B;
// Keys that make characters: a letter, a digit and one of the punctuation block.
constexpr std::uint16_t kCharacterKeys[] = {'A', '0', 0xBA};
constexpr std::uint16_t kKeys[] = {useredit::kVkLeft,
                                   useredit::kVkRight,
                                   useredit::kVkUp,
                                   useredit::kVkDown,
                                   useredit::kVkHome,
                                   useredit::kVkEnd,
                                   useredit::kVkInsert,
                                   useredit::kVkDelete,
                                   useredit::kVkBack,
                                   kVkReturn,
                                   kVkEscape,
                                   kVkTab,
                                   'A',
                                   '0',
                                   0xBA};

// The character a named key makes; a character key makes whatever the keyboard layout gives.
char CharOfKey(std::uint16_t key, FuzzedDataProvider& input) {
    if (std::ranges::find(kCharacterKeys, key) != std::end(kCharacterKeys)) {
        return input.ConsumeIntegral<char>();
    }
    return key == useredit::kVkBack || key == kVkReturn || key == kVkEscape || key == kVkTab
               ? static_cast<char>(key)
               : 0;
}

// The fake edit window models what a single-line edit does with the keys it receives, except word moves,
// Ctrl+Insert and the system keys that a held Alt makes of anything but a character key.
bool Modelled(std::uint16_t key, ShiftState shift) {
    const bool characterKey = std::ranges::find(kCharacterKeys, key) != std::end(kCharacterKeys);
    const bool wordMove = shift.Ctrl && (key == useredit::kVkLeft || key == useredit::kVkRight);
    const bool copy = shift.Ctrl && !shift.Shift && key == useredit::kVkInsert;
    return !wordMove && !copy && (!shift.Alt || characterKey);
}

// The control's message handling around the engine, with the validated edit of a text value: leaving stores
// a modified text as the value and shows it, entering shows the value selected and unmodified.
class MaskedEdit {
public:
    MaskedEdit(std::string_view mask, std::string_view text) {
        engine.SetMask(mask);
        window.text = window.value = engine.Mask().FitText(text);
        window.onTextSet = [this] { engine.TextChanged(); };
        window.onFocusTaken = [this] { Enter(); };
        window.onCancelInput = [this] { engine.CancelInput(); };
        window.focused = false;
    }

    void Enter() {
        window.focused = true;
        engine.FocusReceived();
        engine.FocusEnter([this] { window.ShowValueSelected(); });
    }

    void Leave() {
        window.focused = false;
        engine.FocusExit();
        if (window.modified) {
            window.value = window.text;
            window.modified = false;
        }
        window.SetText(window.value);
    }

    // A key down, the character it makes (0: none) and the key up.
    void Stroke(std::uint16_t key, ShiftState shift, char c) {
        std::uint16_t passed = key;
        engine.KeyDown(passed, shift);
        if (passed != 0) {
            window.DefaultKeyDown(passed, shift);
        }
        if (c != 0) {
            Press(c);
        }
        engine.KeyUp(key, shift);
    }

    void Press(char c) {
        engine.KeyPress(c);
        Check(c == 0, "a masked edit leaves no character to the edit window");
    }

    // The edit window puts the caret at the press and moves it along with the mouse; x counts 8 pixels a
    // character.
    void Drag(int from, int to, FuzzedDataProvider& input) {
        window.anchor = window.caret = from;
        engine.ButtonDown(from * 8 + input.ConsumeIntegralInRange(0, 7));
        window.caret = to;
        engine.ButtonUp(to * 8 + input.ConsumeIntegralInRange(0, 7));
    }

    testsupport::FakeMaskEditWindow window;
    useredit::MaskKeyEngine engine{window, kChars};
};

// The offsets of the literals before the first field separator or field, with their characters: behind
// that, offsets count fields as if they took text and no longer name the literals.
std::vector<std::pair<std::size_t, char>> LiteralsOf(std::string_view mask) {
    std::vector<std::pair<std::size_t, char>> literals;
    const int length = static_cast<int>(std::min(mask.size(), useredit::kMaxMaskText));
    for (int pos = 1; pos <= length; ++pos) {
        const useredit::TMaskCharKind kind = useredit::MaskCharKind(mask, pos);
        if (kind == useredit::mkFieldSeparator || kind == useredit::mkField) {
            break;
        }
        if (kind == useredit::mkLiteral || kind == useredit::mkLocaleLiteral) {
            literals.emplace_back(static_cast<std::size_t>(useredit::MaskPosToOffset(mask, pos) - 1),
                                  useredit::LocaleLiteralChar(mask[static_cast<std::size_t>(pos - 1)]));
        }
    }
    return literals;
}

void CheckState(const MaskedEdit& edit, const std::vector<std::pair<std::size_t, char>>& literals,
                const std::string& startText) {
    const testsupport::FakeMaskEditWindow& window = edit.window;
    Check(window.text.size() == static_cast<std::size_t>(edit.engine.Mask().MaskLength()),
          "the text keeps MaskLength characters");
    const useredit::EditSelection selection = window.Selection();
    Check(selection.Start >= 0 && selection.End <= static_cast<int>(window.text.size()),
          "the selection lies within the text");
    for (const auto& [offset, c] : literals) {
        Check(offset < window.text.size() && window.text[offset] == c, "literal offsets keep their literals");
    }
    Check(window.text == window.value || window.modified, "a text that differs from the value is modified");
    if (window.readOnly) {
        Check(window.text == startText && !window.modified, "a read-only edit keeps its text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    useredit::MaskSettings& settings = useredit::GlobalMaskSettings();
    settings = useredit::MaskSettings{};
    settings.DateSeparator = input.ConsumeBool() ? '.' : input.ConsumeIntegral<char>();
    settings.DefaultBlank = input.ConsumeBool() ? '_' : input.ConsumeIntegral<char>();
    const std::string mask = input.ConsumeRandomLengthString(300);
    if (mask.empty()) {
        return 0;  // without a mask the engine leaves characters to the edit window, which the fake does not
                   // type
    }
    MaskedEdit edit(mask, input.ConsumeRandomLengthString(300));
    edit.window.readOnly = input.ConsumeIntegralInRange(0, 7) == 0;
    edit.window.canModify = input.ConsumeIntegralInRange(0, 7) != 0;
    const std::string startText = edit.window.text;
    const auto literals = LiteralsOf(mask);
    edit.Enter();
    CheckState(edit, literals, startText);

    // Steps: a key stroke, a character alone, WM_PASTE, WM_CUT, the focus leaving or coming back, a click or
    // drag of the mouse.
    for (int step = 0; step < 128 && input.remaining_bytes() > 0; ++step) {
        testsupport::FakeMaskEditWindow& window = edit.window;
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0: {
                const std::uint16_t key = input.PickValueInArray(kKeys);
                const ShiftState shift{input.ConsumeBool(), input.ConsumeBool(), input.ConsumeBool()};
                const char c = CharOfKey(key, input);
                // Keys reach a control that has the focus.
                if (window.focused && Modelled(key, shift)) {
                    edit.Stroke(key, shift, c);
                }
                break;
            }
            case 1: {
                // A character without a key of its own, as an input method or Alt with the keypad sends it.
                const char c = input.ConsumeIntegral<char>();
                if (window.focused) {
                    edit.Press(c);
                }
                break;
            }
            case 2:
                switch (input.ConsumeIntegralInRange(0, 2)) {
                    case 0:
                        window.clipboard = input.ConsumeRandomLengthString(300);
                        break;
                    case 1:
                        window.clipboard = std::nullopt;
                        break;
                    default:
                        break;  // what a cut or Ctrl+C put there
                }
                window.clipboardLocked = input.ConsumeIntegralInRange(0, 7) == 0;
                // Refused by a read-only edit, whose edit window then pastes nothing either.
                edit.engine.Paste();
                break;
            case 3:
                edit.engine.Cut();
                break;
            case 4:
                if (window.focused) {
                    edit.Leave();
                } else {
                    edit.Enter();
                }
                break;
            default: {
                // A press gives the focus first.
                if (!window.focused) {
                    edit.Enter();
                }
                const int length = static_cast<int>(window.text.size());
                const int from = input.ConsumeIntegralInRange(0, length);
                edit.Drag(from, input.ConsumeIntegralInRange(0, length), input);
                break;
            }
        }
        CheckState(edit, literals, startText);
    }
    return 0;
}
