// The masked edit's keys, mouse, clipboard and focus rules over an abstract edit window, so that the Win32
// control and the native tests run the same decisions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "useredit/CharServices.h"
#include "useredit/EditMask.h"
#include "useredit/UserEditTypes.h"
#include "useredit/VirtualKeys.h"

namespace useredit {

struct ShiftState {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};

// What the masked edit needs of its edit window and of the validated edit around it. The control answers
// with real messages; every call is synchronous.
class MaskEditWindow {
public:
    virtual ~MaskEditWindow() = default;

    virtual bool Exists() const = 0;
    // EM_GETSEL.
    virtual EditSelection Selection() const = 0;
    // EM_SETSEL: the caret goes to `caret`, which may lie before `anchor`.
    virtual void SetSelection(int anchor, int caret) = 0;
    // EM_REPLACESEL that cannot be undone: the caret ends behind the new characters and the modified flag is
    // set. No length limit or read-only state stops it.
    virtual void ReplaceSelection(std::string_view characters) = 0;
    virtual std::string Text() const = 0;
    // The control's text property (WM_SETTEXT): the modified flag is cleared, the selection becomes (0, 0)
    // and the control's text-changed notice follows, which reaches MaskKeyEngine::TextChanged.
    virtual void SetText(std::string_view text) = 0;
    virtual bool Modified() const = 0;
    virtual void SetModified(bool modified) = 0;
    virtual bool ReadOnly() const = 0;
    virtual bool Focused() const = 0;
    virtual void TakeFocus() = 0;
    // The clipboard's text, or nothing when the clipboard cannot be opened or holds no text.
    virtual std::optional<std::string> ClipboardText() = 0;
    // WM_COPY of the edit window: copies a non-empty selection. False, and nothing copied, when a password
    // character hides the text.
    virtual bool CopySelection() = 0;
    // MessageBeep(0).
    virtual void Beep() = 0;
    // The caret stands behind the character at the cursor with nothing selected: select that character with
    // the caret at its start. Windows does it with a simulated Shift+Left under a swapped keyboard state.
    virtual void SelectBlockCursor() = 0;

    // The validated edit's operations. CancelInput is Escape's: the masked edit's virtual step, which by
    // default runs MaskKeyEngine::CancelInput.
    virtual bool CanModifyText() = 0;
    virtual void CancelInput() = 0;
    virtual void ResetCheckError() = 0;
    virtual void RaiseCheckError() = 0;
};

// The state of a masked edit and its handlers. Each handler runs after the validated edit's handling of the
// same event, as the control's message handling calls it.
class MaskKeyEngine {
public:
    MaskKeyEngine(MaskEditWindow& window, const CharServices& chars);
    MaskKeyEngine(const MaskKeyEngine&) = delete;
    MaskKeyEngine& operator=(const MaskKeyEngine&) = delete;

    // Sets the mask (MaskText and MaskLength); fitting the text to it is the control's part.
    void SetMask(std::string_view maskText);
    const EditMask& Mask() const { return mask_; }
    bool HasMask() const { return mask_.HasMask(); }

    // Cursor, typing and deleting.
    void PlaceCursor(int offset);
    void AdjustCursor();
    void StepForward(int offset, int step);
    void StepBack(int offset);
    void HandleArrowKey(std::uint16_t key, ShiftState shift);
    void HandleHomeEnd(std::uint16_t key, ShiftState shift);
    void DeleteChars(std::uint16_t key);
    void HandleCharKey(char c);
    // Escape's work: a modified input is given up and the value shown again.
    void CancelInput();
    void CheckMaskInput();

    // Key events: KeyDown and KeyPress set the key to 0 when the edit window must not see it.
    void KeyDown(std::uint16_t& key, ShiftState shift);
    void KeyUp(std::uint16_t key, ShiftState shift);
    void KeyPress(char& c);
    // WM_LBUTTONDOWN and WM_LBUTTONUP with the message's x position, sign-extended.
    void ButtonDown(int x);
    void ButtonUp(int x);
    // WM_SETFOCUS.
    void FocusReceived();
    // WM_CUT, WM_PASTE and WM_CLEAR (a menu's Delete): false when the message is left to the edit window's
    // default handling.
    bool Cut();
    bool Paste();
    bool Clear();
    // A paste of `text` at the selection, whatever the clipboard holds (a replacement sent from outside).
    void PasteText(std::string_view text);
    // The toolkit's enter notice; `validatedEnter` is the validated edit's enter handling, which a focus
    // return after an incomplete Enter skips once.
    void FocusEnter(const std::function<void()>& validatedEnter);
    void FocusExit();
    // The toolkit's text-changed notice.
    void TextChanged();
    // WM_GETDLGCODE: whether DLGC_WANTALLKEYS is added, so that a dialog leaves Enter and Escape to a
    // masked input that is being changed.
    bool WantsAllKeys() const;

private:
    // Delete or Backspace as the keys do it: nothing when the validated edit refuses a change.
    void DeleteKey(std::uint16_t key);
    // The characters that are commands (Escape, copy, cut, paste, other control characters): true when `c`
    // was one and is handled.
    bool HandleCommandChar(char c);
    void RefuseChar();
    int MaskLength() const { return mask_.MaskLength(); }
    std::string TextTakenIn() const { return TakeInText(window_.Text()); }

    MaskEditWindow& window_;
    const CharServices* chars_;
    EditMask mask_;
    int caretOffset_ = 0;  // the moving end of a selection made with Shift
    int buttonDownX_ = 0;
    bool focusLeft_ = false;
    bool maskRefocus_ = false;
};

}  // namespace useredit
