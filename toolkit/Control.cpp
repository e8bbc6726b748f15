// Windowed control: creation, recreation, destruction, bounds, caption, font, colours, focus notices, key
// events and the shared window procedure.
#include "toolkit/Control.h"

#include <stdexcept>

#include "toolkit/AtScopeEnd.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Module.h"

namespace toolkit {
namespace {

// Marks the windows of this toolkit's controls with their object; other windows never carry it.
constexpr char kControlProperty[] = "ImpApiKalvento.TWinControl";

void DetachControl(HWND window) {
    ::RemovePropA(window, kControlProperty);
}

bool KeyHeld(int key) {
    return ::GetKeyState(key) < 0;
}

}  // namespace

TShiftState TShiftState::Current() {
    return {.Shift = KeyHeld(VK_SHIFT), .Ctrl = KeyHeld(VK_CONTROL), .Alt = KeyHeld(VK_MENU)};
}

TWinControl::~TWinControl() {
    DestroyHandle();
}

void TWinControl::Attach(HWND window) {
    handle_ = window;
    ::SetPropA(window, kControlProperty, this);
}

void TWinControl::CreateHandle(const CreateParams& params, bool ownClass, bool subclass) {
    ReadSystemValuesOnce();
    left_ = params.Left;
    top_ = params.Top;
    width_ = params.Width;
    height_ = params.Height;
    if ((params.Style & WS_CHILD) != 0) {
        // A child takes its parent's font unless it is given its own.
        if (TWinControl* parent = FromHandle(params.Parent)) {
            font_ = parent->font_;
        }
    }
    // Own classes receive `this` with WM_NCCREATE; a native class gets it right after creation.
    HWND window = ::CreateWindowExA(params.ExStyle, params.ClassName, params.Caption.c_str(), params.Style,
                                    params.Left, params.Top, params.Width, params.Height, params.Parent,
                                    nullptr, ThisModule(), ownClass ? this : nullptr);
    if (window == nullptr) {
        throw std::runtime_error(std::string("Fenster kann nicht erzeugt werden: ") + params.ClassName);
    }
    if (!ownClass) {
        Attach(window);
        if (subclass) {
            nativeProcedure_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
                window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::WindowProcedure)));
        }
    }
    ApplyFont();
}

void TWinControl::CreateChild(TWinControl& parent, const char* className, DWORD style,
                              const std::string& caption, int left, int top, int width, int height,
                              bool ownClass) {
    CreateHandle({.ClassName = className,
                  .Style = WS_CHILD | WS_VISIBLE | style,
                  .Parent = parent.Handle(),
                  .Caption = caption,
                  .Left = left,
                  .Top = top,
                  .Width = width,
                  .Height = height},
                 ownClass, !ownClass);
}

void TWinControl::RecreateWnd() {
    if (handle_ == nullptr) {
        return;
    }
    creationText_ = Caption();
    const bool hadFocus = Focused();
    // The new window takes the old one's place among its siblings, so the tab order stays.
    HWND previous = ::GetWindow(handle_, GW_HWNDPREV);
    DestroyingWnd();
    TForm* form = Form();
    if (form != nullptr && hadFocus) {
        form->recreating_ = this;  // the focus moves away and back: no notices for that
    }
    DestroyHandle();
    const AtScopeEnd restore{[this, form] {
        creationText_.clear();
        if (form != nullptr) {
            form->recreating_ = nullptr;
        }
    }};
    CreateWnd();
    ::SetWindowPos(handle_, previous != nullptr ? previous : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    CreatedWnd();
    if (hadFocus) {
        ::SetFocus(handle_);
    }
}

void TWinControl::DestroyHandle() noexcept {
    if (handle_ != nullptr && FromHandle(handle_) == this) {
        if (TForm* form = Form(); form != nullptr && form != static_cast<TWinControl*>(this)) {
            form->ControlDestroying(this);
        }
        HWND window = handle_;
        if (nativeProcedure_ != nullptr) {
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(nativeProcedure_));
            nativeProcedure_ = nullptr;
        }
        DetachControl(window);
        ++ownDestroyDepth_;
        const AtScopeEnd destroyed{[] { --ownDestroyDepth_; }};
        ::DestroyWindow(window);
    }
    handle_ = nullptr;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_ != nullptr) {
        ::MoveWindow(handle_, left, top, width, height, TRUE);
    }
}

std::string TWinControl::Caption() const {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(handle_)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TWinControl::SetCaption(const std::string& caption) {
    ::SetWindowTextA(handle_, caption.c_str());
    CaptionChanged();
}

void TWinControl::SetFont(const TFont& font) {
    font_ = font;
    ApplyFont();
    FontChanged();
}

void TWinControl::ApplyFont() {
    UniqueFont font = font_.Create();
    if (handle_ != nullptr) {
        ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    fontHandle_ = std::move(font);  // the old font is deleted only after the window let go of it
}

void TWinControl::SetColor(TColor color) {
    color_ = color;
    brush_.Reset();
    if (handle_ != nullptr) {
        ::InvalidateRect(handle_, nullptr, TRUE);
    }
}

void TWinControl::SetFontColor(TColor color) {
    fontColor_ = color;
    if (handle_ != nullptr) {
        ::InvalidateRect(handle_, nullptr, TRUE);
    }
}

bool TWinControl::Enabled() const {
    return handle_ == nullptr || ::IsWindowEnabled(handle_) != FALSE;
}

void TWinControl::SetEnabled(bool enabled) {
    if (handle_ != nullptr) {
        ::EnableWindow(handle_, enabled ? TRUE : FALSE);
    }
}

bool TWinControl::Focused() const {
    return handle_ != nullptr && ::GetFocus() == handle_;
}

void TWinControl::SetFocus() {
    if (handle_ != nullptr) {
        ::SetFocus(handle_);
    }
}

TForm* TWinControl::Form() const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return dynamic_cast<TForm*>(FromHandle(::GetAncestor(handle_, GA_ROOT)));
}

HBRUSH TWinControl::CtlColor(HDC /*dc*/) {
    return nullptr;
}

HBRUSH TWinControl::PaintColors(HDC dc) {
    ::SetTextColor(dc, ColorToRgb(fontColor_));
    ::SetBkColor(dc, ColorToRgb(color_));
    if (!brush_) {
        brush_.Reset(::CreateSolidBrush(ColorToRgb(color_)));
    }
    return brush_.Get();
}

void TWinControl::DoEnter() {
    if (OnEnter) {
        OnEnter();
    }
}

void TWinControl::DoExit() {
    if (OnExit) {
        OnExit();
    }
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) {
        OnKeyDown(key, shift);
    }
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) {
        OnKeyUp(key, shift);
    }
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) {
        OnKeyPress(key);
    }
}

TWinControl* TWinControl::FromHandle(HWND window) {
    return window != nullptr ? static_cast<TWinControl*>(::GetPropA(window, kControlProperty)) : nullptr;
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    if (nativeProcedure_ != nullptr) {
        return ::CallWindowProcA(nativeProcedure_, handle_, message, wParam, lParam);
    }
    return ::DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (TWinControl* child = lParam != 0 ? FromHandle(reinterpret_cast<HWND>(lParam)) : nullptr) {
                child->Notify(HIWORD(wParam));
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = ChildColors(wParam, lParam)) {
                return reinterpret_cast<LRESULT>(brush);
            }
            break;
        case WM_TIMER:
            for (TTimer* timer : timers_) {
                if (timer->Id() == wParam) {
                    timer->Tick();
                    return 0;
                }
            }
            break;
        case WM_SETCURSOR:
            if (ApplyScreenCursor()) {
                return TRUE;
            }
            break;
        case WM_SETFOCUS: {
            const LRESULT result = DefaultHandler(message, wParam, lParam);
            if (TForm* form = Form(); form != nullptr && form != this) {
                form->FocusArrived(this);
            }
            return result;
        }
        case WM_ENABLE: {
            const LRESULT result = DefaultHandler(message, wParam, lParam);
            EnabledChanged();
            return result;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR:
            if (!KeyEvent(message, wParam, lParam)) {
                return 0;
            }
            break;
        default:
            break;
    }
    return DefaultHandler(message, wParam, lParam);
}

bool TWinControl::KeyEvent(UINT message, WPARAM& wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        char key = static_cast<char>(wParam);
        KeyPress(key);
        wParam = static_cast<unsigned char>(key);
        return key != 0;
    }
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
        TakeDispatchedKeyDown(message, wParam, lParam)) {
        return true;  // the toolkit's loop ran KeyDown before it dispatched this message
    }
    WORD key = static_cast<WORD>(wParam);
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        KeyDown(key, TShiftState::Current());
    } else {
        KeyUp(key, TShiftState::Current());
    }
    wParam = key;
    return key != 0;
}

HBRUSH TWinControl::ChildColors(WPARAM wParam, LPARAM lParam) {
    TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
    return child != nullptr ? child->CtlColor(reinterpret_cast<HDC>(wParam)) : nullptr;
}

bool TWinControl::TakeDispatchedKeyDown(UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG* dispatched = dispatchedKeyDown_;
    if (dispatched == nullptr || dispatched->hwnd != handle_ || dispatched->message != message ||
        dispatched->wParam != wParam || dispatched->lParam != lParam) {
        return false;
    }
    dispatchedKeyDown_ = nullptr;
    return true;
}

bool TWinControl::DestroyMessageFromOutside() {
    // Inside the toolkit's own DestroyWindow the messages are the real ones, even when the call that destroys
    // runs in the handler of a message another thread sent (which InSendMessageEx then reports).
    return ownDestroyDepth_ == 0 &&
           (::InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0;
}

LRESULT CALLBACK TWinControl::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (control != nullptr) {
            control->Attach(window);
        }
    }
    TWinControl* control = FromHandle(window);
    if (control == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    if ((message == WM_DESTROY || message == WM_NCDESTROY) && DestroyMessageFromOutside()) {
        // Another program or thread cannot orphan the window from its object: the object would lose its
        // window while the window lived on, and outlive the code of its window procedure. (Posted ones never
        // get here: the form's message hook drops them.)
        return 0;
    }
    if (message == WM_NCDESTROY) {
        // A child destroyed with its parent: the form forgets it before the object loses its window.
        if (TForm* form = control->Form(); form != nullptr && form != control) {
            form->ControlDestroying(control);
        }
        const LRESULT result = control->DefaultHandler(message, wParam, lParam);
        DetachControl(window);
        control->handle_ = nullptr;
        control->nativeProcedure_ = nullptr;
        return result;
    }
    // No exception may unwind through the system's frames.
    try {
        return control->WndProc(message, wParam, lParam);
    } catch (...) {
        ReportException(std::current_exception());
        return 0;
    }
}

}  // namespace toolkit
