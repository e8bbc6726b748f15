// Top-level form windows, focus notices, modal loop and dialog keys.
#include "toolkit/Forms.h"

#include <memory>
#include <utility>
#include <vector>

#include "toolkit/AtScopeEnd.h"
#include "toolkit/Module.h"
#include "toolkit/StdCtrls.h"

namespace toolkit {
namespace {

// Caption with system menu and close box only; a single border that cannot be resized.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
    if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

struct ThreadHook {
    HHOOK hook = nullptr;
    int forms = 0;
};
thread_local ThreadHook postedDestroyHook;

LRESULT CALLBACK DropPostedDestroy(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if ((message->message == WM_DESTROY || message->message == WM_NCDESTROY) &&
            TWinControl::FromHandle(message->hwnd) != nullptr) {
            message->message = WM_NULL;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TForm::PostedDestroyFilter::PostedDestroyFilter() {
    if (postedDestroyHook.forms++ == 0) {
        postedDestroyHook.hook =
            ::SetWindowsHookExA(WH_GETMESSAGE, DropPostedDestroy, ThisModule(), ::GetCurrentThreadId());
    }
}

TForm::PostedDestroyFilter::~PostedDestroyFilter() {
    if (--postedDestroyHook.forms == 0 && postedDestroyHook.hook != nullptr) {
        ::UnhookWindowsHookEx(postedDestroyHook.hook);
        postedDestroyHook.hook = nullptr;
    }
}

TForm::TForm(const char* className, const std::string& caption, int clientWidth, int clientHeight, HWND owner,
             bool dialog) {
    RegisterWindowClass(className, WindowProcedure);
    const DWORD exStyle = dialog ? WS_EX_DLGMODALFRAME : 0;
    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateHandle({.ClassName = className,
                  .Style = kFormStyle,
                  .ExStyle = exStyle,
                  .Parent = owner,
                  .Caption = caption,
                  .Left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                  .Top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                  .Width = width,
                  .Height = height},
                 true);
    SetColor(clBtnFace);
}

TForm::~TForm() {
    // Destroying a form sends no notices.
    destroying_ = true;
    active_ = nullptr;
}

void TForm::Show() {
    FormShow();
    ::ShowWindow(Handle(), SW_SHOW);
    ::UpdateWindow(Handle());
}

void TForm::Hide() {
    ::ShowWindow(Handle(), SW_HIDE);
}

int TForm::ShowModal() {
    std::vector<HWND> disabled;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    std::erase(disabled, Handle());
    const AtScopeEnd reenable{[this, &disabled] {
        // The other windows come back before this one hides, so activation returns to them.
        for (HWND window : disabled) {
            ::EnableWindow(window, TRUE);
        }
        modal_ = false;
        Hide();
    }};
    for (HWND window : disabled) {
        ::EnableWindow(window, FALSE);
    }
    modalResult_ = mrNone;
    modal_ = true;
    Show();
    if (HWND first = ::GetNextDlgTabItem(Handle(), nullptr, FALSE)) {
        ::SetFocus(first);
    }
    MSG message;
    while (modalResult_ == mrNone) {
        if (Handle() == nullptr || !::IsWindow(Handle())) {
            modalResult_ = mrCancel;
            break;
        }
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // the quit belongs to the outer loop
            modalResult_ = mrCancel;
            break;
        }
        if (got == -1) {
            modalResult_ = mrCancel;
            break;
        }
        ProcessMessage(message);
    }
    TCloseAction action = TCloseAction::Hide;
    FormClose(action);
    return modalResult_;
}

void TForm::SetDefaultButton(TButton* button) {
    defaultButton_ = button;
    MoveDefaultFrame(active_);
}

void TForm::MoveDefaultFrame(TWinControl* focus) {
    auto* focusedButton = dynamic_cast<TButton*>(focus);
    TButton* framed = defaultButton_ == nullptr  ? nullptr
                      : focusedButton != nullptr ? focusedButton
                                                 : defaultButton_;
    if (framed == framedButton_) {
        return;
    }
    if (framedButton_ != nullptr && framedButton_->Handle() != nullptr) {
        ::SendMessageA(framedButton_->Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    framedButton_ = framed;
    if (framed != nullptr && framed->Handle() != nullptr) {
        ::SendMessageA(framed->Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
}

void TForm::SetTabOrder(std::initializer_list<TWinControl*> controls) {
    HWND previous = HWND_TOP;
    for (TWinControl* control : controls) {
        ::SetWindowPos(control->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control->Handle();
    }
}

void TForm::FocusArrived(TWinControl* control) {
    if (destroying_) {
        return;
    }
    MoveDefaultFrame(control);
    if (control == active_) {
        return;
    }
    if (control == recreating_) {
        active_ = control;
        return;
    }
    if (exiting_ != nullptr) {
        // An exit notice moved the focus (usually back to the control it left): that control is entered
        // right here, inside the exit notice.
        active_ = control;
        control->DoEnter();
        return;
    }
    TWinControl* previous = active_;
    active_ = control;
    if (previous != nullptr) {
        const AtScopeEnd endOfExit{[this] { exiting_ = nullptr; }};
        exiting_ = previous;
        previous->DoExit();
    }
    if (active_ == control && control->Focused()) {
        control->DoEnter();
    }
}

void TForm::ControlDestroying(TWinControl* control) noexcept {
    if (active_ == control) {
        active_ = nullptr;
    }
    if (exiting_ == control) {
        exiting_ = nullptr;
    }
    if (defaultButton_ == control) {
        defaultButton_ = nullptr;
    }
    if (framedButton_ == control) {
        framedButton_ = nullptr;
    }
    if (cancelButton_ == control) {
        cancelButton_ = nullptr;
    }
}

bool TForm::DialogKey(TWinControl* control, WORD key) {
    const TShiftState shift = TShiftState::Current();
    if (shift.Alt || shift.Ctrl) {
        return false;
    }
    if (key == VK_TAB) {
        if (HWND next = ::GetNextDlgTabItem(Handle(), control->Handle(), shift.Shift ? TRUE : FALSE)) {
            ::SetFocus(next);
        }
        return true;
    }
    if (key != VK_RETURN && key != VK_ESCAPE) {
        return false;
    }
    TButton* button = key == VK_RETURN ? defaultButton_ : cancelButton_;
    if (button == nullptr) {
        return false;
    }
    // A push button with the focus is the one Enter presses: the user chose it.
    if (auto* focusedButton = dynamic_cast<TButton*>(control); key == VK_RETURN && focusedButton != nullptr) {
        button = focusedButton;
    }
    const LRESULT code = ::SendMessageA(control->Handle(), WM_GETDLGCODE, key, 0);
    if ((code & DLGC_WANTALLKEYS) != 0) {
        return false;
    }
    button->Click();
    return true;
}

bool TForm::PreviewKeyDown(TWinControl& control, MSG& message) {
    const std::weak_ptr<char> alive = control.alive_;
    try {
        WORD key = static_cast<WORD>(message.wParam);
        control.KeyDown(key, TShiftState::Current());
        if (alive.expired() || key == 0) {
            return false;
        }
        message.wParam = key;
        TForm* form = control.Form();
        return form == nullptr || form == &control || !form->DialogKey(&control, key);
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}

void TForm::ProcessMessage(MSG& message) {
    TWinControl* control = message.message == WM_KEYDOWN ? FromHandle(message.hwnd) : nullptr;
    if (control != nullptr && !PreviewKeyDown(*control, message)) {
        return;
    }
    ::TranslateMessage(&message);
    if (control == nullptr) {
        ::DispatchMessageA(&message);
        return;
    }
    // The window procedure skips KeyDown for this one message. The mark ends with the dispatch, also when
    // KeyDown recreated the window and the message reaches none.
    const MSG* outer = std::exchange(dispatchedKeyDown_, &message);
    const AtScopeEnd restore{[outer] { dispatchedKeyDown_ = outer; }};
    ::DispatchMessageA(&message);
}

void TForm::ProcessMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ProcessMessage(message);
    }
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: {
            if (modal_) {
                modalResult_ = mrCancel;
                return 0;
            }
            TCloseAction action = TCloseAction::Hide;
            FormClose(action);
            if (action == TCloseAction::Hide) {
                Hide();
            }
            return 0;  // the owner of the form object decides when the window goes
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            // A control with colours of its own chooses them; labels and buttons sit on the face colour.
            if (HBRUSH brush = ChildColors(wParam, lParam)) {
                return reinterpret_cast<LRESULT>(brush);
            }
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

}  // namespace toolkit
