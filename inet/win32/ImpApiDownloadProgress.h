// The modeless download progress window: a label, a bar with a moving block, and a cancel button.
#pragma once

#include <memory>

#include <windows.h>

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace inet {

class TfrmDownloadProgress final : public toolkit::TForm {
public:
    explicit TfrmDownloadProgress(HWND owner);

    bool Cancelled() const { return FCancelled; }

    toolkit::TLabel Label1;
    toolkit::TPanel Panel1;
    toolkit::TShape Shape1;
    toolkit::TButton Button1;
    toolkit::TTimer Timer1;

private:
    void FormShow() override;
    // The keyboard's way to the cancel button, in whatever message loop the host runs: Tab reaches it and
    // Escape presses it. Enter does nothing, so that a key still held from starting the import cannot stop
    // it.
    void KeyDown(WORD& key, toolkit::TShiftState shift) override;
    void Timer1Timer();
    void Button1Click();

    bool FCancelled = false;
};

// The one progress window, or null.
extern std::unique_ptr<TfrmDownloadProgress> frmDownloadProgress;

// Creates and shows the window and starts its animation; does nothing while one exists.
void ShowDownloadProgress(HWND Owner);
// Stops, hides and frees the window if one exists.
void HideDownloadProgress();
// Whether the user pressed the cancel button of the current window; false without one.
bool DownloadCancelled();

}  // namespace inet
