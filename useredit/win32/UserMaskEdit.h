// The masked edit: the validated edit with an edit mask (overwrite mode with a block cursor, literals
// skipped, deleting writes blanks, paste fitted into the mask, Enter checks required positions), and its
// concrete form for text values.
#pragma once

#include <string>

#include "useredit/MaskKeyEngine.h"
#include "useredit/win32/UserEdit.h"

namespace useredit {

class TCustomUserMaskEdit : public TCustomUserEdit {
public:
    ~TCustomUserMaskEdit() override;

    const std::string& MaskText() const { return engine_.Mask().MaskText(); }
    int MaskLength() const { return engine_.Mask().MaskLength(); }
    char BlankChar() const { return engine_.Mask().BlankChar(); }
    bool HasMask() const { return engine_.HasMask(); }
    // Sets the mask and fits the text to it: literals where the mask has them, the characters the new mask
    // takes at their offsets, blanks elsewhere.
    void SetEditMask(const std::string& mask);
    // `text` as this mask shows it (unchanged without a mask).
    std::string FitToMask(const std::string& text) const;

    void Loaded() override;

protected:
    TCustomUserMaskEdit(toolkit::TWinControl& parent, int left, int top, int width, int height);

    virtual bool CanModifyText() { return true; }
    virtual void CancelInput() { engine_.CancelInput(); }
    // Called after a new mask was set and the text fitted to it; a value holder fits itself too.
    virtual void MaskChanged() {}

    // Typed characters go through the mask, never through the validated edit's own handling.
    void TypedChar(char& key) override;
    std::string FitOutsideText(const std::string& text) const override;
    LRESULT OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(WORD& key, toolkit::TShiftState shift) override;
    void KeyUp(WORD& key, toolkit::TShiftState shift) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The edit window and the validated edit as the key engine sees them, answered with real messages.
    class Window final : public MaskEditWindow {
    public:
        explicit Window(TCustomUserMaskEdit& edit) : edit_(edit) {}
        bool Exists() const override;
        EditSelection Selection() const override;
        void SetSelection(int anchor, int caret) override;
        void ReplaceSelection(std::string_view characters) override;
        std::string Text() const override;
        void SetText(std::string_view text) override;
        bool Modified() const override;
        void SetModified(bool modified) override;
        bool ReadOnly() const override;
        bool Focused() const override;
        void TakeFocus() override;
        std::optional<std::string> ClipboardText() override;
        bool CopySelection() override;
        void Beep() override;
        void SelectBlockCursor() override;
        bool CanModifyText() override;
        void CancelInput() override;
        void ResetCheckError() override;
        void RaiseCheckError() override;

    private:
        TCustomUserMaskEdit& edit_;
    };

    Window window_{*this};
    MaskKeyEngine engine_;
};

// The masked edit for text: its value is the text as the control shows it, literals and blanks included;
// writing the value shows it fitted to the mask.
class TMaskEditText : public TCustomUserMaskEdit {
public:
    TMaskEditText(toolkit::TWinControl& parent, int left, int top, int width, int height);

    // Reading first takes over an edit in progress.
    TString255 Value();
    void SetValue(const std::string& value);
    TString255 ValueOld() const { return ToShortString(valueOld_); }

protected:
    void MaskChanged() override;
    void ShowValue() override;
    void StoreValue() override;
    void RestoreValue() override;

private:
    std::string value_;
    std::string valueOld_;
};

}  // namespace useredit
