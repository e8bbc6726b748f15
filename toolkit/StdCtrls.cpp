// Label and push button.
#include "toolkit/StdCtrls.h"

#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

namespace toolkit {

TLabel::TLabel(TWinControl& parent, const std::string& caption, int left, int top, int width, int height) {
    CreateChild(parent, "STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, caption, left, top, width, height, false);
}

void TLabel::CaptionChanged() {
    const WindowDc dc(Handle());
    const HGDIOBJ previous =
        ::SelectObject(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
    const std::string text = Caption();
    SIZE extent{};
    ::GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc.Get(), previous);
    SetBounds(Left(), Top(), extent.cx, extent.cy);
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
