// The credentials dialog: layout, values in and out, and the modal run behind ApiDataDialog.
#include "provider/win32/ImpApi_kalvento_Dlg.h"

#include <algorithm>
#include <cstring>

#include "plugin/win32/ImpApiMain.h"

namespace provider {
namespace {

// The host's buffers hold at least 128 bytes: 127 characters and the terminating zero.
constexpr std::size_t kBufferTextMax = 127;

toolkit::TFont BoldFont() {
    return {.Name = "MS Sans Serif", .Height = -11, .Bold = true};
}

void WriteBack(char* buffer, const std::string& text) {
    if (buffer == nullptr) {
        return;
    }
    const std::size_t length = std::min(text.size(), kBufferTextMax);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

TdlgKalventoLogin::TdlgKalventoLogin()
    : TForm("TdlgKalventoLogin", "kalvento Zugangsdaten", 266, 161, nullptr, true),
      Label1(*this, "kalvento Benutzernummer", 16, 33, 123, 13),
      btnOK(*this, "OK", 176, 123, 75, 25),
      btnCancel(*this, "Abbrechen", 16, 123, 75, 25),
      eUser(*this, 16, 48, 161, 15),
      Label2(*this, "kalvento Benutzer-Passwort", 16, 73, 132, 13),
      ePassword(*this, 16, 88, 161, 15),
      Label3(*this, "Schnittstellen-Version:", 16, 8, 128, 13),
      lbSSVersion(*this, "2.00.00", 152, 8, 44, 13) {
    Label3.SetFont(BoldFont());
    lbSSVersion.SetFont(BoldFont());
    // A substituted font may draw a caption wider than its layout: the label grows instead of clipping it.
    for (toolkit::TLabel* label : {&Label1, &Label2, &Label3}) {
        label->GrowToText();
    }
    // The version stays beside its caption, with the layout's gap of 8 pixels.
    const int versionLeft = std::max(lbSSVersion.Left(), Label3.Left() + Label3.Width() + 8);
    lbSSVersion.SetBounds(versionLeft, lbSSVersion.Top(), lbSSVersion.Width(), lbSSVersion.Height());
    for (auto [edit, name] : {std::pair{&eUser, "eUser"}, std::pair{&ePassword, "ePassword"}}) {
        edit->SetName(name);
        edit->SetErrPrompt("EditText1");
        edit->SetBorderStyle(useredit::TBorderStyle::bsNone);
        edit->SetBounds(edit->Left(), edit->Top(), 161, 15);
    }
    ePassword.SetPasswordChar('*');
    btnOK.ModalResult = toolkit::mrOk;
    btnCancel.ModalResult = toolkit::mrCancel;
    SetDefaultButton(&btnOK);
    SetCancelButton(&btnCancel);
    SetTabOrder({&eUser, &ePassword, &btnCancel, &btnOK});
    eUser.Loaded();
    ePassword.Loaded();
}

void TdlgKalventoLogin::FormShow() {
    unsigned char version[256] = {};
    ImportVersionInfo(version);
    lbSSVersion.SetCaption(std::string(reinterpret_cast<const char*>(version + 1), version[0]));
    eUser.SetValue(sUser);
    ePassword.SetValue(sPassword);
}

void TdlgKalventoLogin::FormClose(toolkit::TCloseAction& /*action*/) {
    if (ModalResult() == toolkit::mrOk) {
        sUser = eUser.Value();
        sPassword = ePassword.Value();
    }
}

int ShowLoginDialog(char* userNumber, char* userPassword) {
    TdlgKalventoLogin dialog;
    dialog.sUser = userNumber != nullptr ? userNumber : "";
    dialog.sPassword = userPassword != nullptr ? userPassword : "";
    const int result = dialog.ShowModal();
    if (result == toolkit::mrOk) {
        WriteBack(userNumber, dialog.sUser);
        WriteBack(userPassword, dialog.sPassword);
    }
    return result;
}

}  // namespace provider
