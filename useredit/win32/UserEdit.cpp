// The validated edit: enter, exit, commit, check and error display; and the text edit's string values.
#include "useredit/win32/UserEdit.h"

#include <algorithm>

#include "toolkit/AtScopeEnd.h"
#include "toolkit/Handles.h"
#include "toolkit/Module.h"
#include "useredit/ValueFormat.h"
#include "useredit/VirtualKeys.h"

namespace useredit {
namespace {

// "Gültige Eingaben liegen im Bereich" in Windows-1252.
constexpr char kRangeText[] = "G\374ltige Eingaben liegen im Bereich";

void CutTo(std::string& text, int maxLength) {
    text.resize(std::min(text.size(), static_cast<std::size_t>(std::max(maxLength, 0))));
}

// CompareString of the user's locale as -1, 0 or 1.
int CompareTexts(const std::string& a, const std::string& b, DWORD flags) {
    const int result = ::CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()),
                                        b.data(), static_cast<int>(b.size()));
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

}  // namespace

// ---- TCustomEditHistoryList ----

TCustomEditHistoryList::~TCustomEditHistoryList() {
    DetachEdits();
}

void TCustomEditHistoryList::DetachEdits() noexcept {
    for (TCustomUserEdit* edit : linkedEdits_) {
        edit->historyList_ = nullptr;
    }
    linkedEdits_.clear();
}

// ---- TCustomUserEdit ----

TCustomUserEdit::TCustomUserEdit(toolkit::TWinControl& parent, int left, int top, int width, int height)
    : TCustomEditEx(parent, left, top, width, height) {
    // The window exists already and got its font before this class could see WM_SETFONT.
    Send(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    int screenHeight = 0;
    int fontHeight = 0;
    ReadTextHeights(screenHeight, fontHeight);
    textMargin_ = std::min(screenHeight, fontHeight) / 4;
    ApplyLoadedColors();
}

TCustomUserEdit::~TCustomUserEdit() {
    if (historyList_ != nullptr) {
        historyList_->linkedEdits_.erase(this);
        historyList_->SetEditControl(nullptr);
    }
}

void TCustomUserEdit::SetEditState(TUserEditState flags, bool on) {
    editState_ = static_cast<TUserEditState>(on ? editState_ | flags : editState_ & ~flags);
}

void TCustomUserEdit::SetCheckResult(TUserCheckResults result) {
    checkResult_ = result;
}

void TCustomUserEdit::SetAlignment(TUserAlignment value) {
    if (value == alignment_) {
        return;
    }
    alignment_ = value;
    if (Focused()) {
        RecreateWnd();
    } else {
        ::InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TCustomUserEdit::SetHistoryList(TCustomEditHistoryList* list) {
    if (historyList_ != nullptr) {
        historyList_->linkedEdits_.erase(this);
        historyList_->SetEditControl(nullptr);
    }
    historyList_ = list;
    if (list != nullptr) {
        list->linkedEdits_.insert(this);
        list->SetEditControl(this);
    }
}

std::string TCustomUserEdit::GetTextProp(int index) const {
    switch (index) {
        case kErrPromptIndex:
            return errPrompt_.empty() ? Name() : errPrompt_;
        case kFormatEditIndex:
            return formatEdit_;
        case kFormatViewIndex:
            return formatView_.empty() ? formatEdit_ : formatView_;
        default:
            return {};
    }
}

void TCustomUserEdit::SetTextProp(int index, const std::string& value) {
    switch (index) {
        case kErrPromptIndex:
            errPrompt_ = value;
            break;
        case kFormatEditIndex:
            formatEdit_ = value;
            break;
        case kFormatViewIndex:
            formatView_ = value;
            break;
        default:
            break;
    }
}

void TCustomUserEdit::Loaded() {
    ApplyLoadedColors();
    RefreshText();
}

void TCustomUserEdit::ApplyLoadedColors() {
    normalColor_ = Color();
    normalFontColor_ = FontColor();
    ApplyEnabledColors();
}

bool TCustomUserEdit::CheckValue() {
    checkResult_ = TUserCheckResults::ucrOk;
    return true;
}

void TCustomUserEdit::GetErrorText(TString255& text, int maxLength, int& helpContext) {
    helpContext = HelpContext();
    if (checkResult_ == TUserCheckResults::ucrBelowMin || checkResult_ == TUserCheckResults::ucrAboveMax) {
        text += kRangeText;
        text += '\r';
        CutTo(text, maxLength);
    }
}

bool TCustomUserEdit::IsValidChar(char key) {
    return static_cast<unsigned char>(key) < kFirstTextChar && key != kCharTab;
}

bool TCustomUserEdit::DoBeforeTF() {
    if (!OnBeforeTF) {
        return false;
    }
    std::string text = Text();
    const bool replaced = OnBeforeTF(*this, text, editState_);
    if (replaced) {
        SetText(text);
    }
    return replaced;
}

void TCustomUserEdit::DoAfterTF() {
    if (OnAfterTF) {
        std::string text = Text();
        OnAfterTF(*this, text, editState_);
        SetText(text);
    }
}

bool TCustomUserEdit::DoModifying() {
    bool canModify = true;
    if (OnModifying) {
        OnModifying(*this, canModify);
    }
    return canModify;
}

void TCustomUserEdit::DoModified() {
    SetTextModified(false);
    if (OnModified) {
        OnModified(*this);
    }
}

void TCustomUserEdit::RefreshText() {
    if (!DoBeforeTF()) {
        ShowValue();
    }
    if (HasEditState(uesEditing)) {
        SelectWholeText();
        SetTextModified(false);
    }
    DoAfterTF();
}

void TCustomUserEdit::TakeFocusBack() {
    // The refocus flag swallows the enter notice that taking the focus back brings.
    useredit::TakeFocusBack(
        Focused(), [this] { SetEditState(uesRefocus, true); }, [this] { SetFocus(); });
}

bool TCustomUserEdit::CommitValue(bool takeFocusBack) {
    if (!TextModified()) {
        return true;
    }
    if (CheckValue()) {
        if (DoModifying()) {
            StoreValue();
            return true;
        }
        if (takeFocusBack) {
            TakeFocusBack();
        }
        return false;
    }
    if (takeFocusBack) {
        TakeFocusBack();
    }
    SetColor(ErrColor);
    SetEditState(uesErrColor, true);
    RaiseCheckError();
    return false;
}

void TCustomUserEdit::RaiseCheckError() {
    if (checkResult_ == TUserCheckResults::ucrOk) {
        return;
    }
    toolkit::Beep();
    TString255 text;
    int helpContext = 0;
    GetErrorText(text, static_cast<int>(kShortStringMax), helpContext);
    bool handled = false;
    if (OnValidationError) {
        OnValidationError(*this, checkResult_, text, helpContext, handled);
    }
    if (handled) {
        return;
    }
    throw EUserEditError(ToShortString(text), helpContext);
}

void TCustomUserEdit::ClearErrorColor() {
    if (HasEditState(uesErrColor)) {
        SetColor(normalColor_);
        SetEditState(uesErrColor, false);
    }
}

void TCustomUserEdit::ResetCheckError() {
    ClearErrorColor();
    SetEditState(uesRefocus, false);
    RefreshText();
}

void TCustomUserEdit::CommitPendingEdit() {
    if (HasEditState(uesEditing)) {
        CommitValue();
        return;
    }
    // As if the user had left the control, but a refused text takes no focus from a getter: it stays, in the
    // error colour, and the check's error is raised.
    if (TextModified() && CommitValue(false)) {
        DoModified();
        RefreshText();
        if (historyList_ != nullptr) {
            historyList_->EditValueAccepted();
        }
    }
}

LRESULT TCustomUserEdit::OutsideWrite(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETTEXT) {
        return TCustomEditEx::OutsideWrite(message, wParam, lParam);
    }
    // A text another program sets is an edit in progress, as if typed: it stays modified, is not covered by
    // the value when the control is entered, and is checked and stored on Enter, on leaving, or when the
    // value is read. Only what the value setter could show gets in. A value set by OnChange meanwhile is the
    // control's own and stays unmodified.
    const unsigned writesBefore = OwnWriteCount();
    SetText(FitOutsideText(lParam != 0 ? reinterpret_cast<const char*>(lParam) : ""));
    if (OwnWriteCount() == writesBefore + 1) {
        SetTextModified(true);
    }
    return TRUE;
}

void TCustomUserEdit::ApplyEnabledColors() {
    if (Enabled()) {
        SetColor(normalColor_);
        SetFontColor(normalFontColor_);
    } else {
        const toolkit::SystemValues& system = toolkit::ReadSystemValues();
        SetColor(static_cast<toolkit::TColor>(system.BtnFace));
        SetFontColor(static_cast<toolkit::TColor>(system.GrayText));
    }
}

void TCustomUserEdit::TextChanged() {
    inChange_ = true;
    const toolkit::AtScopeEnd done{[this] { inChange_ = false; }};
    TCustomEditEx::TextChanged();
}

void TCustomUserEdit::CreatedWnd() {
    TCustomEditEx::CreatedWnd();
    ApplyEnabledColors();
}

void TCustomUserEdit::EnabledChanged() {
    ApplyEnabledColors();
}

void TCustomUserEdit::DoEnter() {
    // A return of the focus after a failed check neither redisplays the value nor counts as an entry.
    const toolkit::AtScopeEnd clearRefocus{[this] { SetEditState(uesRefocus, false); }};
    if (HasEditState(uesRefocus)) {
        return;
    }
    SetEditState(uesEditing, true);
    normalColor_ = Color();
    // A text changed from outside before the entry is the edit in progress: the value must not cover it.
    if (!TextModified()) {
        RefreshText();
    }
    if (historyList_ != nullptr) {
        historyList_->SetEditControl(this);
        historyList_->EditEntered();
    }
    TCustomEditEx::DoEnter();
}

void TCustomUserEdit::DoExit() {
    if (!TextModified()) {
        SetEditState(uesEditing, false);
        RefreshText();
    } else if (CommitValue()) {
        SetEditState(uesEditing, false);
        DoModified();
        RefreshText();
        if (historyList_ != nullptr) {
            historyList_->EditValueAccepted();
        }
    }
    // A refused value has taken the focus back; the visit still ends here for the list and OnExit.
    if (historyList_ != nullptr) {
        historyList_->EditLeft();
    }
    TCustomEditEx::DoExit();
}

void TCustomUserEdit::KeyDown(WORD& key, toolkit::TShiftState shift) {
    if (historyList_ != nullptr) {
        historyList_->EditKeyDown(key, shift);
    }
    TCustomEditEx::KeyDown(key, shift);
}

void TCustomUserEdit::KeyUp(WORD& key, toolkit::TShiftState shift) {
    TCustomEditEx::KeyUp(key, shift);
    if (historyList_ != nullptr && historyList_->ForwardKeyUp) {
        historyList_->EditKeyUp(key, shift);
    }
}

void TCustomUserEdit::KeyPress(char& key) {
    ClearErrorColor();
    TypedChar(key);
}

void TCustomUserEdit::TypedChar(char& key) {
    if (!IsValidChar(key)) {
        if (OnInvalidChar && !OnInvalidChar(*this, key, editState_)) {
            toolkit::Beep();
        }
        key = 0;
    } else if (key == kCharEscape) {
        RestoreValue();
        key = 0;
    } else if (key == kCharEnter) {
        if (TextModified()) {
            // The control keeps the focus and its edit form, so the editing state after the key is the one
            // before it, on every path.
            const bool editing = HasEditState(uesEditing);
            const toolkit::AtScopeEnd restore{[this, editing] { SetEditState(uesEditing, editing); }};
            SetEditState(uesEditing, true);
            // A refused value was not stored: it stays modified and nothing reports it as stored.
            if (CommitValue()) {
                DoModified();
            }
        }
        key = 0;
    } else if (key != 0) {
        TCustomEditEx::KeyPress(key);
    }
}

void TCustomUserEdit::PaintRightAligned(HDC dc) {
    const HGDIOBJ previousFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
    RECT area{};
    ::GetClientRect(Handle(), &area);
    if (BorderStyle() == TBorderStyle::bsSingle) {
        const toolkit::UniqueBrush frame(::CreateSolidBrush(::GetSysColor(COLOR_WINDOWFRAME)));
        ::FrameRect(dc, &area, frame.Get());
        ::InflateRect(&area, -1, -1);
    }
    std::string text = ToShortString(Text());
    // A password stays hidden in the picture the control paints itself.
    if (PasswordChar() != 0) {
        text.assign(text.size(), PasswordChar());
    }
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int margin = BorderStyle() == TBorderStyle::bsNone ? 0 : textMargin_;
    const toolkit::UniqueBrush background(::CreateSolidBrush(toolkit::ColorToRgb(Color())));
    ::FillRect(dc, &area, background.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, toolkit::ColorToRgb(FontColor()));
    ::ExtTextOutA(dc, area.right - extent.cx - margin, margin, ETO_CLIPPED, &area, text.c_str(),
                  static_cast<UINT>(text.size()), nullptr);
    ::SelectObject(dc, previousFont);
}

LRESULT TCustomUserEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (alignment_ == TUserAlignment::taRightJustify && !Focused()) {
                if (wParam != 0) {
                    PaintRightAligned(reinterpret_cast<HDC>(wParam));
                } else {
                    PAINTSTRUCT paint{};
                    HDC dc = ::BeginPaint(Handle(), &paint);
                    PaintRightAligned(dc);
                    ::EndPaint(Handle(), &paint);
                }
                return 0;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // The picture changes hands between this control and the native window.
            if (alignment_ == TUserAlignment::taRightJustify) {
                ::InvalidateRect(Handle(), nullptr, TRUE);
            }
            break;
        case WM_SETFONT: {
            const LRESULT result = TCustomEditEx::WndProc(message, wParam, lParam);
            // The native window draws without margins of its own; the control's margin is TextMargin.
            Send(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
            return result;
        }
        case WM_WINDOWPOSCHANGED: {
            const LRESULT result = TCustomEditEx::WndProc(message, wParam, lParam);
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            const bool moved = (position->flags & SWP_NOMOVE) == 0 || (position->flags & SWP_NOSIZE) == 0;
            if (moved && historyList_ != nullptr) {
                historyList_->EditBoundsChanged(position->x, position->y, position->cx, position->cy);
            }
            return result;
        }
        default:
            break;
    }
    return TCustomEditEx::WndProc(message, wParam, lParam);
}

// ---- TEditText ----

TEditText::TEditText(toolkit::TWinControl& parent, int left, int top, int width, int height)
    : TCustomUserEdit(parent, left, top, width, height) {}

TString255 TEditText::GetValueProp(int index) {
    switch (index) {
        case kValueIndex:
            CommitPendingEdit();
            return ToShortString(value_);
        case kValueMaxIndex:
            return ToShortString(valueMax_);
        case kValueMinIndex:
            return ToShortString(valueMin_);
        case kValueOldIndex:
            return ToShortString(valueOld_);
        case kValueDefIndex:
            return ToShortString(valueDef_);
        default:
            return {};
    }
}

void TEditText::SetValueProp(int index, const std::string& value) {
    const TString255 text = ToShortString(value);
    const auto setBound = [this, &text](std::string& bound, TUserCheckModes check) {
        if (text == bound) {
            return;
        }
        bound = text;
        if (text.empty()) {
            CheckMode.Exclude(check);
        } else {
            CheckMode.Include(check);
        }
    };
    switch (index) {
        case kValueIndex:
            value_ = text;
            valueOld_ = text;
            RefreshText();
            break;
        case kValueMaxIndex:
            setBound(valueMax_, TUserCheckModes::ucmMaxCheck);
            break;
        case kValueMinIndex:
            setBound(valueMin_, TUserCheckModes::ucmMinCheck);
            break;
        case kValueOldIndex:
            valueOld_ = text;
            break;
        case kValueDefIndex:
            valueDef_ = text;
            break;
        default:
            break;
    }
}

bool TEditText::ValueChanged() const {
    return CompareTexts(valueOld_, value_, 0) != 0;
}

void TEditText::AssignValueFrom(const std::string& holder) {
    value_ = holder;
    ResetCheckError();
}

bool TEditText::CheckValue() {
    // An empty text takes the default; the text is written only when it changes, and an edit in progress
    // stays modified.
    if (!InChange() && !valueDef_.empty() && Text().empty()) {
        const bool modified = TextModified();
        SetText(valueDef_);
        SetTextModified(modified);
    }
    bool ok = TCustomUserEdit::CheckValue();
    const std::string text = Text();
    if (CheckMode.Contains(TUserCheckModes::ucmMinCheck) &&
        CompareTexts(text, valueMin_, NORM_IGNORECASE) < 0) {
        SetCheckResult(TUserCheckResults::ucrBelowMin);
        ok = false;
    }
    if (ok && CheckMode.Contains(TUserCheckModes::ucmMaxCheck) &&
        CompareTexts(text, valueMax_, NORM_IGNORECASE) > 0) {
        SetCheckResult(TUserCheckResults::ucrAboveMax);
        ok = false;
    }
    return ok;
}

void TEditText::GetErrorText(TString255& text, int maxLength, int& helpContext) {
    TCustomUserEdit::GetErrorText(text, maxLength, helpContext);
    if (CheckResult() == TUserCheckResults::ucrBelowMin || CheckResult() == TUserCheckResults::ucrAboveMax) {
        text += "\rvon \"" + valueMin_ + "\" bis \"" + valueMax_ + "\"";
        CutTo(text, maxLength);
    }
}

void TEditText::ShowValue() {
    const std::string format = HasEditState(uesEditing) ? FormatEdit() : FormatView();
    SetText(FormatValue(value_, format));
}

void TEditText::StoreValue() {
    const std::string text = Text();
    value_ = text;
    valueOld_ = text;
}

bool TEditText::IsValidChar(char key) {
    return static_cast<unsigned char>(key) >= kFirstTextChar || TCustomUserEdit::IsValidChar(key);
}

void TEditText::RestoreValue() {
    const std::string old = valueOld_;
    SetValueProp(kValueIndex, old);
}

}  // namespace useredit
