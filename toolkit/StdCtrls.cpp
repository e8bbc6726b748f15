// Label and push button.
#include "toolkit/StdCtrls.h"

namespace toolkit {

TLabel::TLabel(TWinControl& parent, const std::string& caption, int left, int top, int width, int height) {
    CreateHandle({.ClassName = "STATIC",
                  .Style = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                  .Parent = parent.Handle(),
                  .Caption = caption,
                  .Left = left,
                  .Top = top,
                  .Width = width,
                  .Height = height},
                 false);
}

void TLabel::CaptionChanged() {
    HDC dc = ::GetDC(Handle());
    const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
    const std::string text = Caption();
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(Handle(), dc);
    SetBounds(Left(), Top(), extent.cx, extent.cy);
}

TButton::TButton(TWinControl& parent, const std::string& caption, int left, int top, int width, int height) {
    CreateHandle({.ClassName = "BUTTON",
                  .Style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                  .Parent = parent.Handle(),
                  .Caption = caption,
                  .Left = left,
                  .Top = top,
                  .Width = width,
                  .Height = height},
                 false);
}

void TButton::Click() {
    if (OnClick) {
        OnClick();
    }
}

void TButton::Notify(WORD code) {
    if (code == BN_CLICKED) {
        Click();
    }
}

}  // namespace toolkit
