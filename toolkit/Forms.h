// Top-level forms: fixed single border, centred on the screen, hidden rather than destroyed when closed.
#pragma once

#include <string>

#include "toolkit/Control.h"

namespace toolkit {

enum class TCloseAction { None, Hide };

class TForm : public TWinControl {
public:
    // Shows the form modeless; FormShow runs before it appears.
    void Show();
    void Hide();

protected:
    // A form of the window class `className` (registered on first use) whose client area has the given size.
    TForm(const char* className, const std::string& caption, int clientWidth, int clientHeight, HWND owner);

    virtual void FormShow() {}
    // Asked when the user closes the form; a modeless form is hidden by default.
    virtual void FormClose(TCloseAction& /*action*/) {}
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace toolkit
