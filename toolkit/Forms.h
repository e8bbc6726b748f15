// Top-level forms: fixed border, centred on the screen; modeless (hidden rather than destroyed when closed)
// or modal. A form tracks its active control and sends the enter and exit notices.
#pragma once

#include <initializer_list>
#include <string>

#include "toolkit/Control.h"

namespace toolkit {

class TButton;

enum class TCloseAction { None, Hide };

// Modal results of the toolkit.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

class TForm : public TWinControl {
public:
    ~TForm() override;

    // Shows the form modeless; FormShow runs before it appears.
    void Show();
    void Hide();
    // Shows the form modally: the thread's other windows are disabled until it closes (and enabled again on
    // every path), the focus goes to the first control in tab order, and the result is the modal result
    // (closing the window gives mrCancel). FormClose runs when it ends.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // Enter clicks the default button and Escape the cancel button, unless the focused control wants every
    // key (DLGC_WANTALLKEYS); Tab always moves the focus. As in Windows dialogs, a focused push button takes
    // Enter and the default frame while it has the focus; the default button gets both back when the focus
    // goes to a control that is no button.
    void SetDefaultButton(TButton* button);
    void SetCancelButton(TButton* button) { cancelButton_ = button; }
    TWinControl* ActiveControl() const { return active_; }
    // Orders the given controls first among the form's children, in this order: Tab follows it, and the first
    // one gets the focus when the form is shown modally.
    void SetTabOrder(std::initializer_list<TWinControl*> controls);

    // One message of the thread's queue through the toolkit: a control's key down sees every key before the
    // form's dialog keys, and a key it zeroes goes no further. Message loops that carry toolkit windows call
    // it for each message instead of TranslateMessage and DispatchMessage.
    static void ProcessMessage(MSG& message);
    // Pumps the thread's queue until it is empty.
    static void ProcessMessages();

protected:
    // A form of the window class `className` (registered on first use) whose client area has the given size;
    // `dialog` gives the dialog border with the system menu as its only border icon.
    TForm(const char* className, const std::string& caption, int clientWidth, int clientHeight, HWND owner,
          bool dialog = false);

    virtual void FormShow() {}
    // Asked when the user closes a modeless form (hidden by default), and when a modal form ends.
    virtual void FormClose(TCloseAction& /*action*/) {}
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TWinControl;
    // The focus arrived at `control`: the previous active control's exit notice first; the new control's
    // enter notice unless the exit notice took the focus elsewhere. Focus that returns to the active control
    // (from another window, or after a recreation) sends neither.
    void FocusArrived(TWinControl* control);
    void ControlDestroying(TWinControl* control) noexcept;
    // Draws the default frame on the focused push button, or on the default button when the focus is
    // elsewhere.
    void MoveDefaultFrame(TWinControl* focus);
    bool DialogKey(TWinControl* control, WORD key);
    // The control's KeyDown and the form's dialog keys for a WM_KEYDOWN before it is dispatched: false when
    // the key goes no further (zeroed, used as a dialog key, its handler failed or deleted the control).
    static bool PreviewKeyDown(TWinControl& control, MSG& message);

    TWinControl* active_ = nullptr;
    TWinControl* exiting_ = nullptr;
    TWinControl* recreating_ = nullptr;
    TButton* defaultButton_ = nullptr;
    TButton* framedButton_ = nullptr;  // the button that shows the default frame
    // While a form exists on a thread, a message hook drops a posted WM_DESTROY or WM_NCDESTROY for a toolkit
    // window before any message loop (the host's too) dispatches it; it goes with the thread's last form.
    struct PostedDestroyFilter {
        PostedDestroyFilter();
        ~PostedDestroyFilter();
        PostedDestroyFilter(const PostedDestroyFilter&) = delete;
        PostedDestroyFilter& operator=(const PostedDestroyFilter&) = delete;
    };
    PostedDestroyFilter postedDestroyFilter_;
    TButton* cancelButton_ = nullptr;
    int modalResult_ = mrNone;
    bool modal_ = false;
    bool destroying_ = false;
};

}  // namespace toolkit
