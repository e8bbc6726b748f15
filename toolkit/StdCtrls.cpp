// Label and push button.
#include "toolkit/StdCtrls.h"

#include <algorithm>

#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

namespace toolkit {

TLabel::TLabel(TWinControl& parent, const std::string& caption, int left, int top, int width, int height) {
    CreateChild(parent, "STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, caption, left, top, width, height, false);
}

namespace {

SIZE TextExtent(HWND label, const std::string& text) {
    const WindowDc dc(label);
    const HGDIOBJ previous =
        ::SelectObject(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc.Get(), previous);
    return extent;
}

}  // namespace

void TLabel::CaptionChanged() {
    const SIZE extent = TextExtent(Handle(), Caption());
    SetBounds(Left(), Top(), extent.cx, extent.cy);
}

void TLabel::GrowToText() {
    const SIZE extent = TextExtent(Handle(), Caption());
    SetBounds(Left(), Top(), std::max<int>(Width(), extent.cx), std::max<int>(Height(), extent.cy));
}

TButton::TButton(TWinControl& parent, const std::string& caption, int left, int top, int width, int height) {
    CreateChild(parent, "BUTTON", WS_TABSTOP | BS_PUSHBUTTON, caption, left, top, width, height, false);
}

void TButton::Click() {
    if (OnClick) {
        OnClick();
    }
    if (ModalResult != 0) {
        if (TForm* form = Form()) {
            form->SetModalResult(ModalResult);
        }
    }
}

void TButton::Notify(WORD code) {
    if (code == BN_CLICKED) {
        Click();
    }
}

}  // namespace toolkit
