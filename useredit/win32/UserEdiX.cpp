// The edit base control on the native "EDIT" window.
#include "useredit/win32/UserEdiX.h"

#include <algorithm>
#include <utility>

#include "toolkit/AtScopeEnd.h"
#include "toolkit/Handles.h"
#include "toolkit/Module.h"

namespace useredit {
namespace {

// The keys with which the native edit copies or cuts by itself, without WM_COPY or WM_CUT: Ctrl+Insert, and
// Shift+Delete on a selection (without one it deletes the character before the caret).
bool CopiesByItself(WPARAM key, const toolkit::TShiftState& shift, bool selected) {
    return (key == VK_INSERT && shift.Ctrl && !shift.Shift) ||
           (key == VK_DELETE && shift.Shift && !shift.Ctrl && selected);
}

int TextHeight(HDC dc) {
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

}  // namespace

TCustomEditEx::TCustomEditEx(toolkit::TWinControl& parent, int left, int top, int width, int height)
    : parent_(parent) {
    SetBounds(left, top, width, height);
    CreateWnd();
    CreatedWnd();
}

TCustomEditEx::~TCustomEditEx() = default;

DWORD TCustomEditEx::WindowStyle() const {
    DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (TabStop) {
        style |= WS_TABSTOP;
    }
    if (borderStyle_ == TBorderStyle::bsSingle) {
        style |= WS_BORDER;
    }
    if (passwordChar_ != 0) {
        style |= ES_PASSWORD;
    }
    if (readOnly_) {
        style |= ES_READONLY;
    }
    if (charCase_ == TEditCharCase::ecUpperCase) {
        style |= ES_UPPERCASE;
    } else if (charCase_ == TEditCharCase::ecLowerCase) {
        style |= ES_LOWERCASE;
    }
    // HideSelInactive and OemConvertText answer their constants: no ES_NOHIDESEL, no ES_OEMCONVERT.
    return style;
}

void TCustomEditEx::CreateWnd() {
    DWORD style = WindowStyle();
    // Read-only double-byte edits of the Windows 9x family get the style after creation.
    const toolkit::SystemValues& system = toolkit::ReadSystemValues();
    const bool readOnlyLater = system.DbcsEnabled && !system.NtPlatform && (style & ES_READONLY) != 0;
    if (readOnlyLater) {
        style &= ~static_cast<DWORD>(ES_READONLY);
    }
    windowCreating_ = true;
    const toolkit::AtScopeEnd created{[this] { windowCreating_ = false; }};
    CreateHandle({.ClassName = "EDIT",
                  .Style = style,
                  .Parent = parent_.Handle(),
                  .Caption = CreationText(),
                  .Left = Left(),
                  .Top = Top(),
                  .Width = Width(),
                  .Height = Height()},
                 false, true);
    if (readOnlyLater) {
        Send(EM_SETREADONLY, 1);
    }
}

void TCustomEditEx::CreatedWnd() {
    ApplyMaxLength(maxLength_);
    SetTextModified(cachedModified_);
    if (passwordChar_ != 0) {
        Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
    }
    UpdateFixedHeight();
}

void TCustomEditEx::DestroyingWnd() {
    cachedModified_ = TextModified();
}

LRESULT TCustomEditEx::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return Handle() != nullptr ? ::SendMessageA(Handle(), message, wParam, lParam) : 0;
}

void TCustomEditEx::SetMaxLength(int value) {
    if (value == maxLength_) {
        return;
    }
    maxLength_ = value;
    if (Handle() != nullptr) {
        ApplyMaxLength(value);
    }
}

void TCustomEditEx::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_) {
        return;
    }
    borderStyle_ = value;
    UpdateFixedHeight();
    RecreateWnd();
}

void TCustomEditEx::SetPasswordChar(char value) {
    if (value == passwordChar_) {
        return;
    }
    passwordChar_ = value;
    if (Handle() != nullptr) {
        Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(value));
        // Writing the text back redraws it in the new form; WM_SETTEXT clears the modified flag, which an
        // edit in progress still needs on leaving.
        const bool modified = TextModified();
        SetText(Text());
        SetTextModified(modified);
    }
}

void TCustomEditEx::SetReadOnly(bool value) {
    if (value == readOnly_) {
        return;
    }
    readOnly_ = value;
    if (Handle() != nullptr) {
        Send(EM_SETREADONLY, value ? 1 : 0);
    }
}

void TCustomEditEx::SetAutoSize(bool value) {
    if (value == autoSize_) {
        return;
    }
    autoSize_ = value;
    UpdateFixedHeight();
}

void TCustomEditEx::SetCharCase(TEditCharCase value) {
    if (value == charCase_) {
        return;
    }
    charCase_ = value;
    RecreateWnd();
}

bool TCustomEditEx::TextModified() const {
    if (Handle() != nullptr) {
        return Send(EM_GETMODIFY) != 0;
    }
    return cachedModified_;
}

void TCustomEditEx::SetTextModified(bool value) {
    if (Handle() != nullptr) {
        Send(EM_SETMODIFY, value ? 1 : 0);
    } else {
        cachedModified_ = value;
    }
}

void TCustomEditEx::SetText(const std::string& text) {
    SendOwnWrite(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT TCustomEditEx::SendOwnWrite(UINT message, WPARAM wParam, LPARAM lParam) {
    ++ownWriteCount_;
    ownWrite_ = message;
    const toolkit::AtScopeEnd taken{[this] { ownWrite_ = 0; }};
    return Send(message, wParam, lParam);
}

LRESULT TCustomEditEx::OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam) {
    return toolkit::TWinControl::WndProc(message, wParam, lParam);
}

void TCustomEditEx::ApplyMaxLength(int value) {
    Send(EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

EditSelection TCustomEditEx::Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(std::min(start, end)), static_cast<int>(std::max(start, end))};
}

void TCustomEditEx::SetSelection(int anchor, int caret) {
    Send(EM_SETSEL, static_cast<WPARAM>(anchor), static_cast<LPARAM>(caret));
}

int TCustomEditEx::GetSelectionLength() {
    const EditSelection selection = Selection();
    return selection.End - selection.Start;
}

int TCustomEditEx::GetSelectionStart() {
    return Selection().Start;
}

std::string TCustomEditEx::GetSelectedText() {
    const int length = GetSelectionLength();
    if (length <= 0) {
        return {};
    }
    return Text().substr(static_cast<std::size_t>(GetSelectionStart()), static_cast<std::size_t>(length));
}

void TCustomEditEx::SetSelectionLength(int value) {
    const int start = GetSelectionStart();
    SetSelection(start, start + value);
    Send(EM_SCROLLCARET);
}

void TCustomEditEx::SetSelectionStart(int value) {
    SetSelection(value, value);
}

void TCustomEditEx::ClearText() {
    SetText({});
}

int TCustomEditEx::CopySelectedText(char* Buffer, int BufSize) {
    if (Buffer == nullptr || BufSize <= 0) {
        return 0;
    }
    const std::string selected = GetSelectedText();
    const int count = std::min(static_cast<int>(selected.size()), BufSize - 1);
    std::copy_n(selected.data(), count, Buffer);
    Buffer[count] = '\0';
    return count;
}

void TCustomEditEx::SelectWholeText() {
    SetSelection(0, -1);
}

void TCustomEditEx::CopySelection() {
    Send(WM_COPY);
}

void TCustomEditEx::PasteText() {
    Send(WM_PASTE);
}

void TCustomEditEx::UpdateFixedHeight() {
    fixedHeight_ = autoSize_ && borderStyle_ == TBorderStyle::bsSingle;
    if (fixedHeight_) {
        FitHeightToFont();
    }
}

void TCustomEditEx::ReadTextHeights(int& screenHeight, int& fontHeight) const {
    const toolkit::WindowDc dc(nullptr);
    screenHeight = TextHeight(dc.Get());
    const HGDIOBJ previous = ::SelectObject(dc.Get(), reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
    fontHeight = TextHeight(dc.Get());
    ::SelectObject(dc.Get(), previous);
}

void TCustomEditEx::FitHeightToFont() {
    int screenHeight = 0;
    int fontHeight = 0;
    ReadTextHeights(screenHeight, fontHeight);
    const int inner = std::min(screenHeight, fontHeight) / 4 + 4 * ::GetSystemMetrics(SM_CYBORDER);
    SetBounds(Left(), Top(), Width(), fontHeight + inner);
}

void TCustomEditEx::TextChanged() {
    if (OnChange) {
        OnChange(*this);
    }
}

void TCustomEditEx::Notify(WORD code) {
    if (code == EN_CHANGE && !windowCreating_) {
        TextChanged();
    }
}

HBRUSH TCustomEditEx::CtlColor(HDC dc) {
    return PaintColors(dc);
}

void TCustomEditEx::DoEnter() {
    // Only an entry by keyboard selects the whole text: a click places the caret where it went.
    if (AutoSelect && ::GetKeyState(VK_LBUTTON) >= 0 &&
        (::GetWindowLongA(Handle(), GWL_STYLE) & ES_MULTILINE) == 0) {
        SelectWholeText();
    }
    toolkit::TWinControl::DoEnter();
}

void TCustomEditEx::FontChanged() {
    if (fixedHeight_) {
        FitHeightToFont();
    }
}

LRESULT TCustomEditEx::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPY:
        case WM_CUT:
            // The native edit of some platforms copies a password in plain text; Windows refuses both, and a
            // refused cut deletes nothing.
            if (passwordChar_ != 0) {
                return 0;
            }
            break;
        case WM_KEYDOWN:
            // The native edit copies and cuts on these keys without a message this control could refuse.
            // The control's own key events still see them (a mask's Shift+Delete deletes).
            if (passwordChar_ != 0 &&
                CopiesByItself(wParam, toolkit::TShiftState::Current(), GetSelectionLength() > 0)) {
                KeyEventsOnly(message, wParam, lParam);
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            // The native menu offers Copy and Cut; a password edit shows none.
            if (passwordChar_ != 0) {
                return 0;
            }
            break;
        case WM_SETTEXT:
        case EM_REPLACESEL:
            if (std::exchange(ownWrite_, 0) != message) {
                return OutsideWrite(message, wParam, lParam);
            }
            break;
        case WM_SETFOCUS:
            // The Windows 9x family passes invalid handles of the window that lost the focus.
            if (!toolkit::ReadSystemValues().NtPlatform && !::IsWindow(reinterpret_cast<HWND>(wParam))) {
                wParam = 0;
            }
            break;
        default:
            break;
    }
    return toolkit::TWinControl::WndProc(message, wParam, lParam);
}

}  // namespace useredit
