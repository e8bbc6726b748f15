// The download progress window and its three module functions.
#include "inet/win32/ImpApiDownloadProgress.h"

namespace inet {

std::unique_ptr<TfrmDownloadProgress> frmDownloadProgress;

namespace {

// Layout at 96 dots per inch, not scaled.
constexpr int kClientWidth = 248;
constexpr int kClientHeight = 127;
constexpr int kAnimationStep = 10;

toolkit::TFont LabelFont() {
    return {.Name = "MS Sans Serif", .Height = -13, .Bold = true};
}

}  // namespace

TfrmDownloadProgress::TfrmDownloadProgress(HWND owner)
    : TForm("TfrmDownloadProgress", "Info", kClientWidth, kClientHeight, owner),
      Label1(*this, "Download l\344uft ...", 16, 8, 119, 16),
      Panel1(*this, 16, 40, 209, 17, toolkit::TBevel::Lowered),
      Shape1(Panel1, 0, -1, 33, 19, toolkit::clHighlight),
      Button1(*this, "Download abbrechen", 56, 80, 129, 25),
      Timer1(*this) {
    Label1.SetFont(LabelFont());
    Label1.GrowToText();  // a substituted font may draw the text wider than the layout's 119 pixels
    Button1.OnClick = [this] { Button1Click(); };
    Button1.OnKeyDown = [this](WORD& key, toolkit::TShiftState shift) { KeyDown(key, shift); };
    Timer1.OnTimer = [this] { Timer1Timer(); };
}

void TfrmDownloadProgress::FormShow() {
    FCancelled = false;
}

void TfrmDownloadProgress::KeyDown(WORD& key, toolkit::TShiftState shift) {
    if (shift.Alt || shift.Ctrl) {
        return;
    }
    if (key == VK_TAB) {
        Button1.SetFocus();
        key = 0;
    } else if (key == VK_ESCAPE) {
        Button1.Click();
        key = 0;
    }
}

void TfrmDownloadProgress::Timer1Timer() {
    Shape1.SetLeft(Shape1.Left() + kAnimationStep);
    const int halfWidth = Shape1.Width() / 2;
    // The block restarts at the panel's left position on the form less half its width: 16 - 16 = 0.
    if (Shape1.Left() > Panel1.Width() - halfWidth) {
        Shape1.SetLeft(Panel1.Left() - halfWidth);
    }
}

void TfrmDownloadProgress::Button1Click() {
    FCancelled = true;
    Label1.SetCaption("Download wird abgebrochen !");
    Shape1.SetBrushColor(toolkit::clRed);
    Timer1.SetEnabled(false);
}

void ShowDownloadProgress(HWND Owner) {
    if (frmDownloadProgress) {
        return;
    }
    frmDownloadProgress = std::make_unique<TfrmDownloadProgress>(Owner);
    frmDownloadProgress->Show();
    frmDownloadProgress->Timer1.SetEnabled(true);
}

void HideDownloadProgress() {
    if (!frmDownloadProgress) {
        return;
    }
    frmDownloadProgress->Timer1.SetEnabled(false);
    frmDownloadProgress->Hide();
    frmDownloadProgress.reset();
}

bool DownloadCancelled() {
    return frmDownloadProgress && frmDownloadProgress->Cancelled();
}

}  // namespace inet
