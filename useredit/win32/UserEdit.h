// The validated edit (a typed value checked when the focus leaves, shown in an edit form while focused and a
// view form otherwise) and the text edit, its concrete form for string values.
#pragma once

#include <functional>
#include <string>

#include "useredit/UserEditTypes.h"
#include "useredit/win32/EditHistoryList.h"
#include "useredit/win32/UserEdiX.h"

namespace useredit {

class TCustomUserEdit : public TCustomEditEx {
public:
    ~TCustomUserEdit() override;

    TUserEditState EditState() const { return editState_; }
    TUserCheckMode CheckMode = {};
    TUserCheckResults CheckResult() const { return checkResult_; }
    toolkit::TColor ErrColor = toolkit::clRed;
    toolkit::TColor NormalColor() const { return normalColor_; }
    toolkit::TColor NormalFontColor() const { return normalFontColor_; }
    bool InChange() const { return inChange_; }
    int TextMargin() const { return textMargin_; }

    TUserAlignment Alignment() const { return alignment_; }
    void SetAlignment(TUserAlignment value);
    TCustomEditHistoryList* HistoryList() const { return historyList_; }
    // Detaches the list linked so far (even when it is the same one) and attaches the new one.
    void SetHistoryList(TCustomEditHistoryList* list);

    // The texts by index: 0 ErrPrompt (the component's name while empty), 1 FormatEdit, 2 FormatView
    // (FormatEdit while empty). Writing a format does not redisplay the value.
    static constexpr int kErrPromptIndex = 0;
    static constexpr int kFormatEditIndex = 1;
    static constexpr int kFormatViewIndex = 2;
    std::string GetTextProp(int index) const;
    void SetTextProp(int index, const std::string& value);
    std::string ErrPrompt() const { return GetTextProp(kErrPromptIndex); }
    void SetErrPrompt(const std::string& value) { SetTextProp(kErrPromptIndex, value); }
    std::string FormatEdit() const { return GetTextProp(kFormatEditIndex); }
    void SetFormatEdit(const std::string& value) { SetTextProp(kFormatEditIndex, value); }
    std::string FormatView() const { return GetTextProp(kFormatViewIndex); }
    void SetFormatView(const std::string& value) { SetTextProp(kFormatViewIndex, value); }

    // What a form does after it set up its controls, as loading them from a stored form would: the colours
    // seen now become the normal ones, and the value is displayed.
    virtual void Loaded();
    // Takes over an edit in progress as the value: a focused, modified text, or a text changed from outside
    // while the control was not being edited, which is then taken as if the user had left the control.
    void CommitPendingEdit();
    // Clears a shown check error and displays the value again.
    void ResetCheckError();

    std::function<void(TCustomUserEdit& sender, bool& canModify)> OnModifying;
    std::function<void(TCustomUserEdit& sender)> OnModified;
    std::function<bool(TCustomUserEdit& sender, std::string& text, TUserEditState state)> OnBeforeTF;
    std::function<void(TCustomUserEdit& sender, std::string& text, TUserEditState state)> OnAfterTF;
    std::function<bool(TCustomUserEdit& sender, char& key, TUserEditState state)> OnInvalidChar;
    std::function<void(TCustomUserEdit& sender, TUserCheckResults result, TString255& text, int& helpContext,
                       bool& handled)>
        OnValidationError;

protected:
    TCustomUserEdit(toolkit::TWinControl& parent, int left, int top, int width, int height);

    // The value operations a descendant supplies.
    virtual bool CheckValue();
    virtual void GetErrorText(TString255& text, int maxLength, int& helpContext);
    virtual void ShowValue() = 0;
    virtual void StoreValue() = 0;
    virtual bool IsValidChar(char key);
    virtual void RestoreValue() = 0;
    // A typed character after the error colour went: checked, Escape restores the value, Enter commits it,
    // others reach OnKeyPress. A masked edit takes the character through its mask instead.
    virtual void TypedChar(char& key);
    // A text set from outside as the value setter would show it (a masked edit fits it to its mask).
    virtual std::string FitOutsideText(const std::string& text) const { return ToShortString(text); }
    LRESULT OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool DoBeforeTF();
    void DoAfterTF();
    bool DoModifying();
    void DoModified();
    void RefreshText();
    // Checks and stores a modified text; a refused one shows the error colour and raises the check error,
    // after taking the focus back when `takeFocusBack` is set.
    bool CommitValue(bool takeFocusBack = true);
    void RaiseCheckError();
    void ApplyEnabledColors();
    // The colours seen now become the normal ones (the first half of Loaded).
    void ApplyLoadedColors();
    void SetCheckResult(TUserCheckResults result);
    bool HasEditState(TUserEditStateFlag flag) const { return (editState_ & flag) != 0; }

    void TextChanged() override;
    void CreatedWnd() override;
    void EnabledChanged() override;
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(WORD& key, toolkit::TShiftState shift) override;
    void KeyUp(WORD& key, toolkit::TShiftState shift) override;
    void KeyPress(char& key) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TCustomEditHistoryList;
    void PaintRightAligned(HDC dc);
    void TakeFocusBack();
    void SetEditState(TUserEditState flags, bool on);
    // The error colour goes with the next typed character or a reset.
    void ClearErrorColor();

    TUserEditState editState_ = 0;
    TUserAlignment alignment_ = TUserAlignment::taLeftJustify;
    std::string errPrompt_;
    std::string formatEdit_;
    std::string formatView_;
    TUserCheckResults checkResult_ = TUserCheckResults::ucrOk;
    toolkit::TColor normalColor_ = toolkit::clWindow;
    toolkit::TColor normalFontColor_ = toolkit::clWindowText;
    TCustomEditHistoryList* historyList_ = nullptr;
    bool inChange_ = false;
    int textMargin_ = 0;
};

// The validated edit for strings: value, default for an empty text, and bounds compared as the user's locale
// compares texts, ignoring case (so the text 9 lies above the text 10).
class TEditText : public TCustomUserEdit {
public:
    TEditText(toolkit::TWinControl& parent, int left, int top, int width, int height);

    // The values by index, each a short string: 0 Value (reading first takes over an edit in progress),
    // 1 ValueMax, 2 ValueMin (writing a bound switches its check on, or off for an empty text), 3 ValueOld,
    // 4 ValueDef.
    static constexpr int kValueIndex = 0;
    static constexpr int kValueMaxIndex = 1;
    static constexpr int kValueMinIndex = 2;
    static constexpr int kValueOldIndex = 3;
    static constexpr int kValueDefIndex = 4;
    TString255 GetValueProp(int index);
    void SetValueProp(int index, const std::string& value);
    TString255 Value() { return GetValueProp(kValueIndex); }
    void SetValue(const std::string& value) { SetValueProp(kValueIndex, value); }
    TString255 ValueMax() { return GetValueProp(kValueMaxIndex); }
    void SetValueMax(const std::string& value) { SetValueProp(kValueMaxIndex, value); }
    TString255 ValueMin() { return GetValueProp(kValueMinIndex); }
    void SetValueMin(const std::string& value) { SetValueProp(kValueMinIndex, value); }
    TString255 ValueOld() { return GetValueProp(kValueOldIndex); }
    TString255 ValueDef() { return GetValueProp(kValueDefIndex); }
    void SetValueDef(const std::string& value) { SetValueProp(kValueDefIndex, value); }

    // The remaining value operations of a string edit.
    bool ValueChanged() const;
    void CopyValueTo(std::string& holder) const { holder = value_; }
    void AssignValueFrom(const std::string& holder);
    static bool SameValues(const std::string& a, const std::string& b) { return a == b; }

protected:
    bool CheckValue() override;
    void GetErrorText(TString255& text, int maxLength, int& helpContext) override;
    void ShowValue() override;
    void StoreValue() override;
    bool IsValidChar(char key) override;
    void RestoreValue() override;

private:
    std::string value_;
    std::string valueOld_;
    std::string valueDef_;
    std::string valueMin_;
    std::string valueMax_;
};

}  // namespace useredit
