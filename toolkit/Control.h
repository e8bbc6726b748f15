// The windowed control: one native window, its bounds, caption, font and colours, focus notices, key events,
// and message dispatch to the object.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "toolkit/Graphics.h"

namespace toolkit {

class TTimer;
class TForm;

// The modifier keys held while a key event happened (GetKeyState).
struct TShiftState {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    static TShiftState Current();
};

class TWinControl {
public:
    virtual ~TWinControl();
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;

    HWND Handle() const { return handle_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);

    std::string Caption() const;
    void SetCaption(const std::string& caption);
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Focused() const;
    void SetFocus();
    // The component's name: what messages name a control by when it has no text of its own.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    // The form this control lies on (itself for a form), or null.
    TForm* Form() const;

    std::function<void()> OnEnter;
    std::function<void()> OnExit;
    std::function<void(WORD& key, TShiftState shift)> OnKeyDown;
    std::function<void(WORD& key, TShiftState shift)> OnKeyUp;
    std::function<void(char& key)> OnKeyPress;

    // The control object behind a window of this toolkit, or null.
    static TWinControl* FromHandle(HWND window);

protected:
    struct CreateParams {
        const char* ClassName = nullptr;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        HWND Parent = nullptr;
        std::string Caption = {};
        int Left = 0;
        int Top = 0;
        int Width = 0;
        int Height = 0;
    };

    TWinControl() = default;
    // Classes registered with WindowProcedure get their messages in WndProc from WM_NCCREATE on. A native
    // class (STATIC, BUTTON) keeps its own procedure unless `subclass` is set: then WndProc sees its messages
    // from creation on and passes what it does not handle to the class's procedure.
    void CreateHandle(const CreateParams& params, bool ownClass, bool subclass = false);
    // A visible child window at the given place in its parent. A native class is subclassed, so that the
    // form sees the focus arrive at it and its keys pass through the control's key events.
    void CreateChild(TWinControl& parent, const char* className, DWORD style, const std::string& caption,
                     int left, int top, int width, int height, bool ownClass);

    // Recreation for style changes: RecreateWnd destroys the native window and builds a new one through
    // CreateWnd, keeping text, bounds, font, tab position and focus. DestroyingWnd runs before the old window
    // goes, CreatedWnd after the new one exists.
    virtual void CreateWnd() {}
    void RecreateWnd();
    // The text a recreated window is created with (empty for the first window).
    const std::string& CreationText() const { return creationText_; }
    virtual void DestroyingWnd() {}
    virtual void CreatedWnd() {}

    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The handling the window would get without this object: the native class or DefWindowProc.
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_COMMAND notification that the parent received from this control.
    virtual void Notify(WORD /*code*/) {}
    // WM_CTLCOLOR* reflected from the parent: a brush to paint with, or null to leave it to the parent.
    virtual HBRUSH CtlColor(HDC dc);
    // The parent's side of it: the colours the child of a WM_CTLCOLOR* message chooses, or null when it
    // leaves them to the parent.
    static HBRUSH ChildColors(WPARAM wParam, LPARAM lParam);
    // Sets the control's text and background colours on `dc` and gives the brush of its colour.
    HBRUSH PaintColors(HDC dc);
    virtual void CaptionChanged() {}
    virtual void FontChanged() {}
    virtual void EnabledChanged() {}

    // Enter and exit notices (see TForm for when they come), and the key events. A key set to 0 in KeyDown
    // or KeyPress goes no further.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The key events of a key or character message without the native handling after them: for a key the
    // control's own events may use but the native window must never see.
    void KeyEventsOnly(UINT message, WPARAM wParam, LPARAM lParam) { KeyEvent(message, wParam, lParam); }

private:
    friend class TTimer;
    friend class TForm;
    void DestroyHandle() noexcept;
    void ApplyFont();
    void Attach(HWND window);

    HWND handle_ = nullptr;
    WNDPROC nativeProcedure_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TFont font_;
    UniqueFont fontHandle_;
    TColor color_ = clWindow;
    TColor fontColor_ = clWindowText;
    UniqueBrush brush_;
    std::string name_;
    std::string creationText_;
    int helpContext_ = 0;
    std::vector<TTimer*> timers_;
    // Lives as long as the object: code that calls out to events and goes on with the object afterwards
    // keeps a weak reference and checks it.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    // The WM_KEYDOWN that the toolkit's message loop is dispatching after it ran KeyDown for it.
    static inline thread_local const MSG* dispatchedKeyDown_ = nullptr;
    // How deep this thread is in a DestroyWindow of the toolkit's own. A WM_DESTROY or WM_NCDESTROY sent from
    // another thread outside one is someone else's message, and the window is not going.
    static inline thread_local int ownDestroyDepth_ = 0;
    static bool DestroyMessageFromOutside();
    // Whether the window procedure's key-down message is that one (and takes the mark).
    bool TakeDispatchedKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
    // The key events of the key and character messages: false when the event zeroed the key and the message
    // goes no further; otherwise `wParam` carries the key as the event left it.
    bool KeyEvent(UINT message, WPARAM& wParam, LPARAM lParam);
};

}  // namespace toolkit
