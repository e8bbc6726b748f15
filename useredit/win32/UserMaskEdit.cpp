// The masked edit on the validated edit: the key engine's decisions carried out with real edit messages.
#include "useredit/win32/UserMaskEdit.h"

#include <algorithm>

#include "toolkit/AtScopeEnd.h"
#include "toolkit/Module.h"
#include "useredit/win32/WinCharServices.h"

namespace useredit {

TCustomUserMaskEdit::TCustomUserMaskEdit(toolkit::TWinControl& parent, int left, int top, int width,
                                         int height)
    : TCustomUserEdit(parent, left, top, width, height), engine_(window_, SystemCharServices()) {
    ReadLocaleSeparatorsOnce();
}

TCustomUserMaskEdit::~TCustomUserMaskEdit() = default;

std::string TCustomUserMaskEdit::FitToMask(const std::string& text) const {
    return HasMask() ? engine_.Mask().FitText(text) : text;
}

std::string TCustomUserMaskEdit::FitOutsideText(const std::string& text) const {
    return FitToMask(ToShortString(text));
}

LRESULT TCustomUserMaskEdit::OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == EM_REPLACESEL && HasMask()) {
        // Another program's replacement is a paste of its text at the selection: what does not fit becomes
        // blanks, and the text keeps the mask's length and literals.
        engine_.PasteText(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
        return 0;
    }
    return TCustomUserEdit::OutsideWrite(message, wParam, lParam);
}

void TCustomUserMaskEdit::SetEditMask(const std::string& mask) {
    engine_.SetMask(TakeInText(mask));
    // The length limit follows the mask: raised to it while one is set, the stored MaxLength without one.
    ApplyMaxLength(MaxLength());
    const std::string text = Text();
    const std::string fitted = FitToMask(text);
    if (fitted != text) {
        // A new mask is no input: an edit in progress stays one.
        const bool modified = TextModified();
        SetText(fitted);
        SetTextModified(modified);
    }
    MaskChanged();
}

void TCustomUserMaskEdit::Loaded() {
    // A masked text shows as the mask fitted it; redisplaying the value would undo that.
    ApplyLoadedColors();
    if (!HasMask()) {
        RefreshText();
    }
}

void TCustomUserMaskEdit::DoEnter() {
    engine_.FocusEnter([this] { TCustomUserEdit::DoEnter(); });
}

void TCustomUserMaskEdit::DoExit() {
    engine_.FocusExit();
    TCustomUserEdit::DoExit();
}

void TCustomUserMaskEdit::KeyDown(WORD& key, toolkit::TShiftState shift) {
    TCustomUserEdit::KeyDown(key, shift);
    engine_.KeyDown(key, {.Shift = shift.Shift, .Ctrl = shift.Ctrl, .Alt = shift.Alt});
}

void TCustomUserMaskEdit::KeyUp(WORD& key, toolkit::TShiftState shift) {
    TCustomUserEdit::KeyUp(key, shift);
    engine_.KeyUp(key, {.Shift = shift.Shift, .Ctrl = shift.Ctrl, .Alt = shift.Alt});
}

void TCustomUserMaskEdit::TypedChar(char& key) {
    engine_.KeyPress(key);
}

LRESULT TCustomUserMaskEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            const LRESULT result = TCustomUserEdit::WndProc(message, wParam, lParam);
            const int x = static_cast<short>(LOWORD(lParam));
            if (message == WM_LBUTTONDOWN) {
                engine_.ButtonDown(x);
            } else {
                engine_.ButtonUp(x);
            }
            return result;
        }
        case WM_SETFOCUS: {
            const LRESULT result = TCustomUserEdit::WndProc(message, wParam, lParam);
            engine_.FocusReceived();
            return result;
        }
        case WM_CUT:
            if (engine_.Cut()) {
                return 0;
            }
            break;
        case WM_PASTE:
            if (engine_.Paste()) {
                return 0;
            }
            break;
        case WM_CLEAR:
            if (engine_.Clear()) {
                return 0;
            }
            break;
        case WM_GETDLGCODE: {
            LRESULT code = TCustomUserEdit::WndProc(message, wParam, lParam);
            if (engine_.WantsAllKeys()) {
                code |= DLGC_WANTALLKEYS;
            }
            return code;
        }
        case WM_SETTEXT: {
            const LRESULT result = TCustomUserEdit::WndProc(message, wParam, lParam);
            engine_.TextChanged();
            return result;
        }
        case EM_LIMITTEXT:
            // A limit below the mask's length would let typing and deleting change the text's length and move
            // its literals: while a mask is set, it is at least the mask's length.
            if (HasMask() && wParam != 0 && wParam < static_cast<WPARAM>(MaskLength())) {
                wParam = static_cast<WPARAM>(MaskLength());
            }
            break;
        default:
            break;
    }
    return TCustomUserEdit::WndProc(message, wParam, lParam);
}

// ---- the edit window for the key engine ----

bool TCustomUserMaskEdit::Window::Exists() const {
    return edit_.Handle() != nullptr;
}

EditSelection TCustomUserMaskEdit::Window::Selection() const {
    return edit_.Selection();
}

void TCustomUserMaskEdit::Window::SetSelection(int anchor, int caret) {
    edit_.SetSelection(anchor, caret);
}

void TCustomUserMaskEdit::Window::ReplaceSelection(std::string_view characters) {
    const std::string text(characters);
    edit_.SendOwnWrite(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TCustomUserMaskEdit::Window::Text() const {
    return edit_.Text();
}

void TCustomUserMaskEdit::Window::SetText(std::string_view text) {
    edit_.SetText(std::string(text));
}

bool TCustomUserMaskEdit::Window::Modified() const {
    return edit_.TextModified();
}

void TCustomUserMaskEdit::Window::SetModified(bool modified) {
    edit_.SetTextModified(modified);
}

bool TCustomUserMaskEdit::Window::ReadOnly() const {
    return edit_.ReadOnly();
}

bool TCustomUserMaskEdit::Window::Focused() const {
    return edit_.Focused();
}

void TCustomUserMaskEdit::Window::TakeFocus() {
    edit_.SetFocus();
}

std::optional<std::string> TCustomUserMaskEdit::Window::ClipboardText() {
    if (!::OpenClipboard(edit_.Handle())) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* characters = static_cast<const char*>(::GlobalLock(data))) {
            const std::size_t size = ::GlobalSize(data);
            text.emplace(characters, std::find(characters, characters + size, '\0'));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

bool TCustomUserMaskEdit::Window::CopySelection() {
    if (edit_.PasswordChar() != 0) {
        return false;
    }
    edit_.Send(WM_COPY);
    return true;
}

void TCustomUserMaskEdit::Window::Beep() {
    toolkit::Beep();
}

void TCustomUserMaskEdit::Window::SelectBlockCursor() {
    // The native edit has no message that selects leftwards with the caret at the start; a Shift+Left typed
    // under a borrowed keyboard state does it. The state is the thread's own again on every path.
    BYTE saved[256] = {};
    ::GetKeyboardState(saved);
    const toolkit::AtScopeEnd restore{[&saved] { ::SetKeyboardState(saved); }};
    BYTE shiftLeft[256] = {};
    shiftLeft[VK_SHIFT] = 0x81;
    shiftLeft[VK_LEFT] = 0x81;
    ::SetKeyboardState(shiftLeft);
    edit_.Send(WM_KEYDOWN, VK_LEFT, 1);
    edit_.Send(WM_KEYUP, VK_LEFT, 1);
}

bool TCustomUserMaskEdit::Window::CanModifyText() {
    return edit_.CanModifyText();
}

void TCustomUserMaskEdit::Window::CancelInput() {
    edit_.CancelInput();
}

void TCustomUserMaskEdit::Window::ResetCheckError() {
    edit_.ResetCheckError();
}

void TCustomUserMaskEdit::Window::RaiseCheckError() {
    edit_.RaiseCheckError();
}

// ---- TMaskEditText ----

TMaskEditText::TMaskEditText(toolkit::TWinControl& parent, int left, int top, int width, int height)
    : TCustomUserMaskEdit(parent, left, top, width, height) {}

TString255 TMaskEditText::Value() {
    CommitPendingEdit();
    return ToShortString(value_);
}

void TMaskEditText::SetValue(const std::string& value) {
    value_ = FitToMask(ToShortString(value));
    valueOld_ = value_;
    RefreshText();
}

void TMaskEditText::MaskChanged() {
    value_ = FitToMask(value_);
    valueOld_ = FitToMask(valueOld_);
}

void TMaskEditText::ShowValue() {
    SetText(FitToMask(value_));
}

void TMaskEditText::StoreValue() {
    value_ = Text();
    valueOld_ = value_;
}

void TMaskEditText::RestoreValue() {
    const std::string old = valueOld_;
    SetValue(old);
}

}  // namespace useredit
