// Top-level form windows.
#include "toolkit/Forms.h"

#include "toolkit/Module.h"

namespace toolkit {
namespace {

// Caption with system menu and close box only; a single border that cannot be resized.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

}  // namespace

TForm::TForm(const char* className, const std::string& caption, int clientWidth, int clientHeight,
             HWND owner) {
    RegisterWindowClass(className, WindowProcedure);
    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateHandle({.ClassName = className,
                  .Style = kFormStyle,
                  .Parent = owner,
                  .Caption = caption,
                  .Left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                  .Top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                  .Width = width,
                  .Height = height},
                 true);
}

void TForm::Show() {
    FormShow();
    ::ShowWindow(Handle(), SW_SHOW);
    ::UpdateWindow(Handle());
}

void TForm::Hide() {
    ::ShowWindow(Handle(), SW_HIDE);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: {
            TCloseAction action = TCloseAction::Hide;
            FormClose(action);
            if (action == TCloseAction::Hide) {
                Hide();
            }
            return 0;  // the owner of the form object decides when the window goes
        }
        case WM_CTLCOLORSTATIC: {
            // Labels sit on the form's face colour.
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            return TWinControl::WndProc(message, wParam, lParam);
    }
}

}  // namespace toolkit
