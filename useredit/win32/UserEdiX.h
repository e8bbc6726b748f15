// The edit base control: a single-line edit on the native "EDIT" window with border, password character,
// read-only, character case, length limit, automatic height, selection and clipboard access, the native
// modified flag and the change notification.
#pragma once

#include <functional>
#include <string>

#include "toolkit/Control.h"
#include "useredit/UserEditTypes.h"

namespace useredit {

enum class TBorderStyle { bsNone, bsSingle };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEditEx : public toolkit::TWinControl {
public:
    // A child of `parent` at the given place; its native window exists from the start.
    TCustomEditEx(toolkit::TWinControl& parent, int left, int top, int width, int height);
    ~TCustomEditEx() override;

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool AutoSelect = true;
    bool HideSelInactive() const { return true; }
    bool OemConvertText() const { return false; }
    bool TabStop = true;
    bool WindowCreating() const { return windowCreating_; }

    bool TextModified() const;
    void SetTextModified(bool value);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& text);
    // An edit's text is set with SetText, which marks it as the control's own.
    void SetCaption(const std::string& caption) = delete;

    // EM_GETSEL and EM_SETSEL: the caret goes to `caret`, which may lie before `anchor`; -1 as the caret
    // selects to the end. Without a window the selection is empty and setting one does nothing.
    EditSelection Selection() const;
    void SetSelection(int anchor, int caret);

    virtual void ApplyMaxLength(int value);
    virtual int GetSelectionLength();
    virtual int GetSelectionStart();
    virtual std::string GetSelectedText();
    virtual void SetSelectionLength(int value);
    virtual void SetSelectionStart(int value);
    virtual void ClearText();
    // Copies the selected characters into Buffer, zero-terminated; the count is cut to BufSize - 1. A buffer
    // size of 0 or less copies nothing and returns 0.
    virtual int CopySelectedText(char* Buffer, int BufSize);

    void SelectWholeText();
    void CopySelection();
    void PasteText();
    void UpdateFixedHeight();
    void FitHeightToFont();
    bool FixedHeight() const { return fixedHeight_; }

    std::function<void(TCustomEditEx& sender)> OnChange;

protected:
    // The change hook: raised by EN_CHANGE of the native window (never while it is being created).
    virtual void TextChanged();
    void CreateWnd() override;
    void CreatedWnd() override;
    void DestroyingWnd() override;
    void Notify(WORD code) override;
    HBRUSH CtlColor(HDC dc) override;
    void DoEnter() override;
    void FontChanged() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    toolkit::TWinControl& Parent() const { return parent_; }
    // Every message to the edit window goes through here; without a window it answers 0 and sends nothing.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // A change of the text the control makes itself (WM_SETTEXT or EM_REPLACESEL): marked, so that the
    // window procedure tells it from the same message sent by anyone else.
    LRESULT SendOwnWrite(UINT message, WPARAM wParam, LPARAM lParam);
    // How many own writes have been sent so far.
    unsigned OwnWriteCount() const { return ownWriteCount_; }
    // WM_SETTEXT or EM_REPLACESEL that the control did not send (another program, a host, a tool): by
    // default the native edit's handling.
    virtual LRESULT OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam);
    // The character heights of the screen's default font and of the control's font.
    void ReadTextHeights(int& screenHeight, int& fontHeight) const;

private:
    DWORD WindowStyle() const;

    toolkit::TWinControl& parent_;
    int maxLength_ = 0;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    char passwordChar_ = 0;
    bool readOnly_ = false;
    bool autoSize_ = true;
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    bool windowCreating_ = false;
    // The message of the own write under way, until the window procedure takes it.
    UINT ownWrite_ = 0;
    unsigned ownWriteCount_ = 0;
    bool cachedModified_ = false;
    bool fixedHeight_ = false;
};

}  // namespace useredit
