// The masked edit's handlers: block cursor, arrows, Home and End, typing, deleting, cut, paste, Enter,
// Escape, mouse release and focus.
#include "useredit/MaskKeyEngine.h"

#include <algorithm>

#include "useredit/UserEditTypes.h"

namespace useredit {

MaskKeyEngine::MaskKeyEngine(MaskEditWindow& window, const CharServices& chars)
    : window_(window), chars_(&chars), mask_("", GlobalMaskSettings().DefaultBlank, chars) {}

void MaskKeyEngine::SetMask(std::string_view maskText) {
    // The blank character was copied from the process's default when the edit was made; it stays.
    mask_ = EditMask(maskText, mask_.BlankChar(), *chars_);
}

void MaskKeyEngine::PlaceCursor(int offset) {
    if (!HasMask()) {
        const int at = std::clamp(offset, 0, static_cast<int>(window_.Text().size()));
        window_.SetSelection(at, at);
        return;
    }
    int start = std::max(offset, 0);
    int end = start + 1;
    if (start >= MaskLength()) {
        start = MaskLength();
        end = start;
    }
    // The caret goes behind the character first; selecting it leftwards leaves the caret at its start, so
    // that Shift+Right extends from there. A control without the focus shows no block.
    window_.SetSelection(end, end);
    if (end != start && !focusLeft_) {
        window_.SelectBlockCursor();
    }
    caretOffset_ = start;
}

void MaskKeyEngine::AdjustCursor() {
    if (!window_.Exists() || !HasMask()) {
        return;
    }
    const EditSelection selection = window_.Selection();
    if (selection.Start == selection.End) {
        PlaceCursor(selection.Start);
    }
}

void MaskKeyEngine::StepForward(int offset, int step) {
    int next = mask_.NextEditPos(offset + step);
    // NextEditPos stops on a literal only at the end of a mask that ends with literals.
    if (mask_.IsLiteralOffset(next)) {
        next = offset;
    }
    PlaceCursor(next);
}

void MaskKeyEngine::StepBack(int offset) {
    PlaceCursor(mask_.PriorEditPos(offset - 1));
}

void MaskKeyEngine::HandleArrowKey(std::uint16_t key, ShiftState shift) {
    const EditSelection selection = window_.Selection();
    if (shift.Ctrl) {
        // The edit window moves by words; the key-up handler puts the cursor back on a character.
        return;
    }
    if (shift.Shift) {
        // The key goes on to the edit window, which extends the selection from its caret; the caret is moved
        // first to the end that is to grow.
        if (key == kVkRight) {
            ++caretOffset_;
            if (selection.End == selection.Start + 1) {
                window_.SetSelection(selection.Start, selection.End);
                ++caretOffset_;
            }
            caretOffset_ = std::min(caretOffset_, MaskLength());
        } else {
            --caretOffset_;
            if (selection.End == selection.Start + 2 && caretOffset_ > selection.Start) {
                window_.SetSelection(selection.Start + 1, selection.Start + 1);
                --caretOffset_;
            }
            caretOffset_ = std::max(caretOffset_, 0);
        }
        return;
    }
    if (selection.End - selection.Start > 1) {
        // Leaving an extended selection: the cursor goes to the character at its moving end.
        if (selection.End == caretOffset_) {
            --caretOffset_;
        }
        PlaceCursor(caretOffset_);
    } else if (key == kVkLeft) {
        StepBack(selection.Start);
    } else if (selection.Start == selection.End) {
        PlaceCursor(selection.Start);
    } else {
        StepForward(selection.Start, 1);
    }
}

void MaskKeyEngine::HandleHomeEnd(std::uint16_t key, ShiftState shift) {
    EditSelection selection = window_.Selection();
    if (key == kVkHome) {
        if (shift.Shift) {
            if (selection.Start != caretOffset_ && selection.End != selection.Start + 1) {
                selection.End = selection.Start + 1;
            }
            window_.SetSelection(0, selection.End);
            AdjustCursor();
        } else {
            PlaceCursor(0);
        }
        caretOffset_ = 0;
        return;
    }
    if (shift.Shift) {
        if (selection.End != caretOffset_ && selection.End != selection.Start + 1) {
            selection.Start = selection.End - 1;
        }
        window_.SetSelection(selection.Start, MaskLength());
        AdjustCursor();
    } else {
        PlaceCursor(MaskLength());
    }
    caretOffset_ = MaskLength();
}

void MaskKeyEngine::DeleteChars(std::uint16_t key) {
    if (window_.ReadOnly()) {
        return;
    }
    EditSelection selection = window_.Selection();
    if (selection.End - selection.Start <= 1 && key == kVkBack) {
        const int before = selection.Start;
        StepBack(before);
        selection = window_.Selection();
        if (selection.Start == before) {
            return;  // the cursor stands on the first input position
        }
    }
    if (selection.Start == selection.End) {
        return;
    }
    // The text keeps its length: input positions get the blank, literals stay.
    std::string text = TextTakenIn();
    const int count = selection.End - selection.Start;
    mask_.BlankRange(text, selection.Start, count);
    const auto from = static_cast<std::size_t>(std::min(selection.Start, static_cast<int>(text.size())));
    window_.ReplaceSelection(std::string_view(text).substr(from, static_cast<std::size_t>(count)));
    if (count > 1) {
        PlaceCursor(mask_.NextEditPos(selection.Start));
    } else {
        PlaceCursor(window_.Selection().Start - 1);
    }
}

void MaskKeyEngine::DeleteKey(std::uint16_t key) {
    if (window_.CanModifyText()) {
        DeleteChars(key);
    }
}

void MaskKeyEngine::RefuseChar() {
    if (!focusLeft_) {
        window_.Beep();
    }
}

bool MaskKeyEngine::HandleCommandChar(char c) {
    if (c == kCharEscape) {
        window_.CancelInput();
        return true;
    }
    // Control characters are commands, never input: the edit window's own Ctrl+C, Ctrl+V and Ctrl+X go
    // through the mask, and no other one may blank a selection or land in a "C" position.
    if (c == kCharCopy) {
        window_.CopySelection();
        return true;
    }
    if (c == kCharPaste || c == kCharCut) {
        // A read-only edit window ignores both, as the native one does.
        if (window_.ReadOnly()) {
            return true;
        }
        if (c == kCharPaste) {
            Paste();
        } else {
            Cut();
        }
        return true;
    }
    if (IsControlChar(c) && c != kCharBack && c != kCharEnter) {
        RefuseChar();
        return true;
    }
    return false;
}

void MaskKeyEngine::HandleCharKey(char c) {
    if (HandleCommandChar(c)) {
        return;
    }
    if (!window_.CanModifyText() || window_.ReadOnly()) {
        return;
    }
    if (c == kCharBack) {
        return;  // the key-down handler has deleted
    }
    if (c == kCharEnter) {
        CheckMaskInput();
        return;
    }
    const EditSelection selection = window_.Selection();
    int start = selection.Start;
    if (selection.End - selection.Start > 1) {
        DeleteChars(kVkDelete);
        start = mask_.NextEditPos(start);
        PlaceCursor(start);
    }
    // Behind the last position nothing is selected, and the edit window would insert the character.
    if (start >= MaskLength()) {
        RefuseChar();
        return;
    }
    // A character that comes without a key of its own (one made with AltGr, or sent alone) may find the caret
    // with nothing selected, where it would be inserted: it overwrites the character at the caret instead.
    if (!focusLeft_ && window_.Selection().Start == window_.Selection().End) {
        PlaceCursor(start);
    }
    const CharVerdict verdict = mask_.AcceptChar(c, start);
    switch (verdict.Decision) {
        case CharDecision::Accept:
            window_.ReplaceSelection(std::string_view(&verdict.Char, 1));
            StepForward(window_.Selection().Start, 0);
            break;
        case CharDecision::JumpToLiteral:
            PlaceCursor(verdict.Offset);
            break;
        case CharDecision::Refuse:
            RefuseChar();
            break;
    }
}

void MaskKeyEngine::CancelInput() {
    if (window_.Modified()) {
        window_.SetModified(false);
        window_.ResetCheckError();
    }
}

void MaskKeyEngine::CheckMaskInput() {
    int offset = 0;
    if (!HasMask() || !window_.Modified() || mask_.MaskComplete(TextTakenIn(), offset)) {
        return;
    }
    TakeFocusBack(
        window_.Focused(), [this] { maskRefocus_ = true; }, [this] { window_.TakeFocus(); });
    PlaceCursor(offset);
    window_.RaiseCheckError();
}

void MaskKeyEngine::KeyDown(std::uint16_t& key, ShiftState shift) {
    if (!HasMask() || key == 0 || shift.Alt) {
        return;
    }
    switch (key) {
        case kVkLeft:
        case kVkRight:
            HandleArrowKey(key, shift);
            if (!shift.Shift && !shift.Ctrl) {
                key = 0;
            }
            break;
        case kVkUp:
        case kVkDown:
            key = 0;
            break;
        case kVkHome:
        case kVkEnd:
            HandleHomeEnd(key, shift);
            key = 0;
            break;
        case kVkDelete:
        case kVkBack:
            // Shift+Delete blanks like Delete: the edit window would cut.
            DeleteKey(key);
            key = 0;
            break;
        case kVkInsert:
            if (shift.Shift) {
                Paste();
                key = 0;
            } else {
                AdjustCursor();
            }
            break;
        default:
            AdjustCursor();
            break;
    }
}

void MaskKeyEngine::KeyUp(std::uint16_t key, ShiftState shift) {
    if (HasMask() && (key == kVkLeft || key == kVkRight) && shift.Ctrl) {
        AdjustCursor();
    }
}

void MaskKeyEngine::KeyPress(char& c) {
    if (!HasMask() || c == 0) {
        return;
    }
    if (window_.Focused()) {
        HandleCharKey(c);
    }
    c = 0;
}

void MaskKeyEngine::ButtonDown(int x) {
    buttonDownX_ = x;
}

void MaskKeyEngine::ButtonUp(int x) {
    if (!HasMask()) {
        return;
    }
    // A selection dragged rightwards grows at its end, one dragged leftwards at its start.
    const EditSelection selection = window_.Selection();
    caretOffset_ = selection.Start;
    if (selection.Start != selection.End && x > buttonDownX_) {
        caretOffset_ = selection.End;
    }
    AdjustCursor();
}

void MaskKeyEngine::FocusReceived() {
    if (HasMask()) {
        AdjustCursor();
    }
}

bool MaskKeyEngine::Cut() {
    if (!HasMask()) {
        return false;
    }
    // A password is never copied, and a cut that cannot copy deletes nothing either.
    if (window_.CopySelection()) {
        DeleteChars(kVkDelete);
    }
    return true;
}

bool MaskKeyEngine::Clear() {
    if (!HasMask()) {
        return false;
    }
    // The edit window would delete literals and positions alike; a menu's Delete is the Delete key.
    DeleteKey(kVkDelete);
    return true;
}

bool MaskKeyEngine::Paste() {
    if (!HasMask() || window_.ReadOnly()) {
        return false;
    }
    // Without a text to paste the native edit changes nothing, and so does the mask.
    const std::optional<std::string> clipboard = window_.ClipboardText();
    if (clipboard) {
        PasteText(*clipboard);
    }
    return true;
}

void MaskKeyEngine::PasteText(std::string_view pasted) {
    const EditSelection selection = window_.Selection();
    const std::string before = TextTakenIn();
    std::string text = before;
    mask_.BlankRange(text, selection.Start, selection.End - selection.Start);
    const int next = mask_.MergeInput(text, TakeInText(pasted), selection.Start);
    // Setting the text clears the modified flag, which must stay set for a changed text: leaving and Enter
    // check only a modified input.
    if (text != before) {
        window_.SetText(text);
        window_.SetModified(true);
    }
    PlaceCursor(next);
}

void MaskKeyEngine::FocusEnter(const std::function<void()>& validatedEnter) {
    if (!HasMask()) {
        validatedEnter();
        return;
    }
    focusLeft_ = false;
    if (!maskRefocus_) {
        validatedEnter();
    }
    maskRefocus_ = false;
    AdjustCursor();
}

void MaskKeyEngine::FocusExit() {
    if (HasMask()) {
        focusLeft_ = true;
    }
}

void MaskKeyEngine::TextChanged() {
    if (!window_.Exists()) {
        return;
    }
    const int start = window_.Selection().Start;
    const int next = mask_.NextEditPos(start);
    if (next != start) {
        PlaceCursor(next);
    }
}

bool MaskKeyEngine::WantsAllKeys() const {
    return HasMask() && window_.Modified();
}

}  // namespace useredit
