// Windowed control: creation, destruction, bounds, caption, font, and the shared window procedure.
#include "toolkit/Control.h"

#include <stdexcept>

#include "toolkit/ExtCtrls.h"
#include "toolkit/Module.h"

namespace toolkit {
namespace {

// Marks the windows of this toolkit's controls with their object; other windows never carry it.
constexpr char kControlProperty[] = "ImpApiKalvento.TWinControl";

void AttachControl(HWND window, TWinControl* control) {
    ::SetPropA(window, kControlProperty, control);
}
void DetachControl(HWND window) {
    ::RemovePropA(window, kControlProperty);
}

}  // namespace

TWinControl::~TWinControl() {
    DestroyHandle();
}

void TWinControl::CreateHandle(const CreateParams& params, bool ownClass) {
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
        handle_ = window;
        AttachControl(window, this);
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
                 ownClass);
}

void TWinControl::DestroyHandle() noexcept {
    if (handle_ != nullptr && FromHandle(handle_) == this) {
        DetachControl(handle_);
        ::DestroyWindow(handle_);
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
}

void TWinControl::ApplyFont() {
    UniqueFont font = font_.Create();
    if (handle_ != nullptr) {
        ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    fontHandle_ = std::move(font);  // the old font is deleted only after the window let go of it
}

TWinControl* TWinControl::FromHandle(HWND window) {
    return window != nullptr ? static_cast<TWinControl*>(::GetPropA(window, kControlProperty)) : nullptr;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (TWinControl* child = lParam != 0 ? FromHandle(reinterpret_cast<HWND>(lParam)) : nullptr) {
                child->Notify(HIWORD(wParam));
                return 0;
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
        default:
            break;
    }
    return ::DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        control->handle_ = window;
        AttachControl(window, control);
    }
    TWinControl* control = FromHandle(window);
    if (control == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        DetachControl(window);
        control->handle_ = nullptr;
        return ::DefWindowProcA(window, message, wParam, lParam);
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
