// The credentials dialog: the kalvento user number and password, confirmed with OK or left with Abbrechen.
#pragma once

#include <string>

#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "useredit/win32/UserEdit.h"

namespace provider {

class TdlgKalventoLogin final : public toolkit::TForm {
public:
    TdlgKalventoLogin();

    toolkit::TLabel Label1;
    toolkit::TButton btnOK;
    toolkit::TButton btnCancel;
    useredit::TEditText eUser;
    toolkit::TLabel Label2;
    useredit::TEditText ePassword;
    toolkit::TLabel Label3;
    toolkit::TLabel lbSSVersion;
    std::string sUser;
    std::string sPassword;

private:
    void FormShow() override;
    void FormClose(toolkit::TCloseAction& action) override;
};

// Shows the dialog modally with the texts of the two buffers (a null buffer reads as empty). After OK each
// non-null buffer receives its field's text, cut to 127 characters and zero-terminated; otherwise neither is
// touched. The dialog is destroyed before this returns. Returns the modal result: 1 OK, 2 otherwise.
int ShowLoginDialog(char* userNumber, char* userPassword);

}  // namespace provider
