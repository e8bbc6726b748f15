// A native edit window for the masked edit's engine, behaving as the Windows edit does under Wine, with the
// validated edit's parts that the engine calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "useredit/MaskKeyEngine.h"

namespace testsupport {

class FakeMaskEditWindow final : public useredit::MaskEditWindow {
public:
    // The edit window. The selection runs between the anchor and the caret, in either order.
    std::string text;
    int anchor = 0;
    int caret = 0;
    bool modified = false;
    bool readOnly = false;
    bool focused = true;
    bool exists = true;

    // The clipboard: nothing when it holds no text; a locked clipboard cannot be opened at all.
    std::optional<std::string> clipboard = std::string();
    bool clipboardLocked = false;
    bool password = false;  // a password character hides the text: nothing is copied
    int beeps = 0;

    // The validated edit around the engine: the value it shows again, and its calls.
    std::string value;
    bool canModify = true;
    int checkErrorsRaised = 0;

    // The control's text-changed notice after its text was set, and the enter handling that taking the focus
    // runs when the focus was elsewhere.
    std::function<void()> onTextSet;
    std::function<void()> onFocusTaken;
    // The masked edit's CancelInput step, which Escape runs.
    std::function<void()> onCancelInput;

    bool Exists() const override { return exists; }
    useredit::EditSelection Selection() const override {
        return {std::min(anchor, caret), std::max(anchor, caret)};
    }
    // EM_SETSEL: -1 as the start keeps the caret and drops the selection; any other offset outside the text,
    // -1 as the end included, stands for the end of the text.
    void SetSelection(int start, int end) override {
        if (start == -1) {
            anchor = caret;
            return;
        }
        anchor = Clamp(start);
        caret = Clamp(end);
    }
    void ReplaceSelection(std::string_view characters) override {
        const auto [start, end] = Selection();
        text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), characters);
        anchor = caret = start + static_cast<int>(characters.size());
        modified = true;
    }
    std::string Text() const override { return text; }
    void SetText(std::string_view newText) override {
        text = newText;
        anchor = caret = 0;
        modified = false;
        if (onTextSet) {
            onTextSet();
        }
    }
    bool Modified() const override { return modified; }
    void SetModified(bool value) override { modified = value; }
    bool ReadOnly() const override { return readOnly; }
    bool Focused() const override { return focused; }
    void TakeFocus() override {
        if (!focused) {
            focused = true;
            if (onFocusTaken) {
                onFocusTaken();
            }
        }
    }
    std::optional<std::string> ClipboardText() override { return clipboardLocked ? std::nullopt : clipboard; }
    bool CopySelection() override {
        if (password) {
            return false;
        }
        const auto [start, end] = Selection();
        if (start != end && !clipboardLocked) {
            clipboard = text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
        }
        return true;
    }
    void Beep() override { ++beeps; }
    // What the simulated Shift+Left does: the caret moves one character left, the anchor stays.
    void SelectBlockCursor() override { caret = std::max(caret - 1, 0); }

    bool CanModifyText() override { return canModify; }
    // The validated edit shows its value again, selected, and unmodified.
    void CancelInput() override {
        if (onCancelInput) {
            onCancelInput();
        }
    }
    void ResetCheckError() override { ShowValueSelected(); }
    void RaiseCheckError() override { ++checkErrorsRaised; }

    void ShowValueSelected() {
        SetText(value);
        SetSelection(0, -1);
        modified = false;
    }

    // The edit window's handling of a key down that the masked edit left to it. Keys that move the caret on
    // a single line are modelled; word moves and the clipboard keys are not, so a scenario cannot rely on
    // them by accident.
    void DefaultKeyDown(std::uint16_t key, useredit::ShiftState shift) {
        using namespace useredit;
        const bool movesCaret = key == kVkLeft || key == kVkUp || key == kVkRight || key == kVkDown ||
                                key == kVkHome || key == kVkEnd;
        if ((movesCaret && shift.Ctrl) || (key == kVkDelete && (shift.Shift || shift.Ctrl)) ||
            (key == kVkInsert && (shift.Shift || shift.Ctrl))) {
            throw std::logic_error("the fake edit window does not model this key: " + std::to_string(key));
        }
        if (movesCaret) {
            const int length = static_cast<int>(text.size());
            caret = key == kVkHome                   ? 0
                    : key == kVkEnd                  ? length
                    : key == kVkLeft || key == kVkUp ? std::max(caret - 1, 0)
                                                     : std::min(caret + 1, length);
            if (!shift.Shift) {
                anchor = caret;
            }
        } else if (key == kVkDelete && !readOnly) {
            if (anchor == caret && caret < static_cast<int>(text.size())) {
                ++caret;
            }
            ReplaceSelection("");
        }
    }

private:
    int Clamp(int offset) const {
        const int length = static_cast<int>(text.size());
        return offset < 0 ? length : std::min(offset, length);
    }
};

}  // namespace testsupport
