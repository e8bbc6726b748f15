// The validated text edit on a form with two edits, driven by real focus moves and typed keys: commit on
// leaving, failed checks, Enter and Escape, defaults, formats, painting, colours and the history list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/Typing.h"
#include "toolkit/Forms.h"
#include "toolkit/Module.h"
#include "toolkit/StdCtrls.h"
#include "useredit/ValueFormat.h"
#include "useredit/win32/UserEdit.h"

namespace {

using testenv::TypeKey;
using testenv::TypeText;
using useredit::TEditText;
using useredit::TUserCheckResults;
using useredit::uesEditing;
using useredit::uesErrColor;
using useredit::uesRefocus;

class TTestForm final : public toolkit::TForm {
public:
    TTestForm() : TForm("TUserEditTestForm", "test", 300, 120, nullptr, true) {}
};

// Records every call a validated edit makes on its list, naming the edit.
class TRecordingList final : public useredit::TCustomEditHistoryList {
public:
    ~TRecordingList() override { DetachEdits(); }
    std::vector<std::string> calls;
    std::uint16_t swallow = 0;  // a key the list takes for itself

    void SetEditControl(useredit::TCustomUserEdit* edit) override {
        calls.push_back("SetEditControl " + (edit != nullptr ? edit->Name() : std::string("none")));
    }
    void EditBoundsChanged(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) override {
        calls.push_back("EditBoundsChanged " + std::to_string(l) + " " + std::to_string(t) + " " +
                        std::to_string(w) + " " + std::to_string(h));
    }
    void EditValueAccepted() override { calls.push_back("EditValueAccepted"); }
    void Reserved4() override { calls.push_back("4"); }
    void Reserved5() override { calls.push_back("5"); }
    void EditEntered() override { calls.push_back("EditEntered"); }
    void EditLeft() override { calls.push_back("EditLeft"); }
    void EditKeyDown(std::uint16_t& key, toolkit::TShiftState) override {
        calls.push_back("EditKeyDown " + std::to_string(key));
        if (key == swallow) {
            key = 0;
        }
    }
    void EditKeyUp(std::uint16_t& key, toolkit::TShiftState) override {
        calls.push_back("EditKeyUp " + std::to_string(key));
    }
    void Reserved10() override { calls.push_back("10"); }
};

class UserEditForm : public testing::Test {
protected:
    void SetUp() override {
        first.SetName("first");
        second.SetName("second");
        first.Loaded();
        second.Loaded();
        form.Show();
        for (TEditText* edit : {&first, &second}) {
            edit->OnEnter = [this, edit] { events.push_back("enter " + edit->Name()); };
            edit->OnExit = [this, edit] { events.push_back("exit " + edit->Name()); };
            edit->OnModified = [this, edit](useredit::TCustomUserEdit&) {
                events.push_back("modified " + edit->Name());
            };
        }
        previousReporter = toolkit::SetExceptionReporter([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& caught) {
                reports.push_back(caught.what());
            }
        });
        previousBeeper = toolkit::SetBeeper([this] { ++beeps; });
    }
    void TearDown() override {
        toolkit::SetExceptionReporter(previousReporter);
        toolkit::SetBeeper(previousBeeper);
    }
    // The focus moves as a user's click would move it; the toolkit sends the notices.
    void Enter(TEditText& edit) {
        edit.SetFocus();
        toolkit::TForm::ProcessMessages();
    }

    TTestForm form;
    TEditText first{form, 8, 8, 121, 25};
    TEditText second{form, 8, 40, 121, 25};
    std::vector<std::string> events;
    std::vector<std::string> reports;
    int beeps = 0;
    toolkit::ExceptionReporter previousReporter;
    toolkit::Beeper previousBeeper;
};

TEST_F(UserEditForm, LeavingStoresAModifiedTextAndShowsItAgain) {
    first.SetValue("alt");
    Enter(first);
    EXPECT_EQ(testenv::Selection(first.Handle()), std::make_pair(0, 3)) << "entered with the text selected";
    TypeText("neu");
    Enter(second);
    EXPECT_EQ(first.Value(), "neu");
    EXPECT_EQ(first.ValueOld(), "neu");
    EXPECT_FALSE(first.TextModified());
    EXPECT_EQ(first.EditState() & uesEditing, 0);
    EXPECT_EQ(events,
              (std::vector<std::string>{"enter first", "modified first", "exit first", "enter second"}));

    events.clear();
    Enter(first);
    Enter(second);
    EXPECT_EQ(events, (std::vector<std::string>{"exit second", "enter first", "exit first", "enter second"}))
        << "an unchanged text is not stored again";
}

TEST_F(UserEditForm, BoundsCompareTextIgnoringCase) {
    first.SetValueMin("B");
    first.SetValueMax("D");
    struct Case {
        const char* text;
        TUserCheckResults result;
    };
    for (const Case& c :
         {Case{"b", TUserCheckResults::ucrOk}, Case{"c", TUserCheckResults::ucrOk},
          Case{"D", TUserCheckResults::ucrOk}, Case{"E", TUserCheckResults::ucrAboveMax},
          Case{"A", TUserCheckResults::ucrBelowMin}, Case{"10", TUserCheckResults::ucrBelowMin}}) {
        first.SetValue("c");
        Enter(first);
        TypeText(c.text);
        TypeKey(VK_RETURN);
        EXPECT_EQ(first.CheckResult(), c.result) << c.text;
        EXPECT_EQ(first.ValueOld(), c.result == TUserCheckResults::ucrOk ? c.text : "c") << c.text;
        TypeKey(VK_ESCAPE);
        Enter(second);
    }
    EXPECT_EQ(reports.size(), 3u);
}

TEST_F(UserEditForm, AFailedCheckTakesTheFocusBackInTheErrorColour) {
    first.SetValueMin("b");
    first.SetValueMax("m");
    Enter(first);
    TypeText("z");
    Enter(second);

    EXPECT_TRUE(first.Focused());
    EXPECT_EQ(beeps, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "G\374ltige Eingaben liegen im Bereich\r\rvon \"b\" bis \"m\"");
    EXPECT_EQ(first.EditState(), uesEditing | uesErrColor) << "the refocus flag was consumed by the return";
    EXPECT_EQ(events, (std::vector<std::string>{"enter first"})) << "no exit, no entry of the other edit";
    EXPECT_EQ(first.Text(), "z");
    EXPECT_TRUE(first.TextModified());
    const testenv::Picture red = testenv::CaptureClient(first.Handle());
    EXPECT_EQ(red.At(red.width - 3, red.height / 2), RGB(255, 0, 0));

    TypeKey(VK_BACK);  // any key press brings the normal colour back
    const testenv::Picture normal = testenv::CaptureClient(first.Handle());
    EXPECT_EQ(normal.At(normal.width - 3, normal.height / 2), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(first.EditState(), uesEditing);

    TypeText("c");
    Enter(second);
    EXPECT_EQ(first.Value(), "c");
    EXPECT_EQ(beeps, 1);
}

TEST_F(UserEditForm, AHandledValidationErrorRaisesNothing) {
    first.SetValueMax("m");
    TUserCheckResults seen = TUserCheckResults::ucrOk;
    first.OnValidationError = [&](useredit::TCustomUserEdit&, TUserCheckResults result,
                                  useredit::TString255& text, int& helpContext, bool& handled) {
        seen = result;
        EXPECT_EQ(text, "G\374ltige Eingaben liegen im Bereich\r\rvon \"\" bis \"m\"");
        text = "ignored";
        helpContext = 7;
        handled = true;
    };
    Enter(first);
    TypeText("x");
    Enter(second);
    EXPECT_EQ(seen, TUserCheckResults::ucrAboveMax);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(first.Focused());
    EXPECT_EQ(first.Color(), first.ErrColor);
}

TEST_F(UserEditForm, EscapeRestoresTheStoredValue) {
    first.SetValue("gespeichert");
    Enter(first);
    TypeText("getippt");
    TypeKey(VK_ESCAPE);
    EXPECT_EQ(first.Text(), "gespeichert");
    EXPECT_FALSE(first.TextModified());
    Enter(second);
    EXPECT_EQ(events, (std::vector<std::string>{"enter first", "exit first", "enter second"}));
}

TEST_F(UserEditForm, AnEmptyTextTakesTheDefaultAndStaysModified) {
    first.SetValueDef("X");
    first.SetValue("a");
    bool modifiedWhileAsked = false;
    first.OnModifying = [&](useredit::TCustomUserEdit& edit, bool&) {
        modifiedWhileAsked = edit.TextModified();
    };
    Enter(first);
    TypeKey(VK_DELETE);
    ASSERT_EQ(first.Text(), "");
    Enter(second);
    EXPECT_EQ(first.Value(), "X");
    EXPECT_EQ(first.Text(), "X");
    EXPECT_TRUE(modifiedWhileAsked);
    EXPECT_EQ(events[1], "modified first");
}

TEST_F(UserEditForm, FormatsShowTheViewWhileUnfocusedAndThePlainValueWhileEditing) {
    first.SetFormatEdit("%s");
    first.SetFormatView("%s kg");
    first.SetValue("12");
    EXPECT_EQ(first.Text(), "12 kg");
    Enter(first);
    EXPECT_EQ(first.Text(), "12");
    Enter(second);
    EXPECT_EQ(first.Text(), "12 kg");
    EXPECT_EQ(first.Value(), "12");

    second.SetFormatEdit("%d");  // the edit form: the second edit has the focus
    EXPECT_THROW(second.SetValue("1"), useredit::EFormatError) << "only the string subset is formatted";
}

// The painted picture of an edit with the given settings, unfocused.
testenv::Picture PaintedUnfocused(TEditText& edit, const std::string& text, char passwordChar,
                                  useredit::TBorderStyle border) {
    edit.SetBorderStyle(border);
    edit.SetBounds(edit.Left(), edit.Top(), 121, 21);
    edit.SetPasswordChar(passwordChar);
    edit.SetAlignment(useredit::TUserAlignment::taRightJustify);
    edit.SetValue(text);
    return testenv::CaptureClient(edit.Handle());
}

// The columns where anything but the background was drawn, as [first, last], inside a border of `inset`.
std::pair<int, int> InkColumns(const testenv::Picture& picture, int inset) {
    std::pair<int, int> columns{picture.width, -1};
    for (int y = inset; y < picture.height - inset; ++y) {
        for (int x = inset; x < picture.width - inset; ++x) {
            if (picture.At(x, y) != ::GetSysColor(COLOR_WINDOW)) {
                columns = {std::min(columns.first, x), std::max(columns.second, x)};
            }
        }
    }
    return columns;
}

TEST_F(UserEditForm, RightAlignedTextIsPaintedAtTheRightEdgeAndPasswordsStayHidden) {
    using useredit::TBorderStyle;
    const testenv::Picture borderless = PaintedUnfocused(first, "WWW", 0, TBorderStyle::bsNone);
    const auto [left, right] = InkColumns(borderless, 0);
    EXPECT_GE(right, borderless.width - 3) << "no margin without a border";
    EXPECT_GT(left, borderless.width / 2);

    const testenv::Picture bordered = PaintedUnfocused(first, "WWW", 0, TBorderStyle::bsSingle);
    const int textEnd = bordered.width - 1 - first.TextMargin();  // inside the frame, before the margin
    EXPECT_LE(InkColumns(bordered, 1).second, textEnd - 1) << "the margin stands between text and frame";
    EXPECT_GE(InkColumns(bordered, 1).second, textEnd - 3);

    // A password edit paints what a plain edit showing the password characters paints.
    const testenv::Picture hidden = PaintedUnfocused(first, "geheim", '*', TBorderStyle::bsNone);
    const testenv::Picture stars = PaintedUnfocused(second, "******", 0, TBorderStyle::bsNone);
    EXPECT_TRUE(hidden == stars);

    Enter(first);
    EXPECT_EQ(first.Text(), "geheim");
    EXPECT_LT(InkColumns(testenv::CaptureClient(first.Handle()), 0).first, 10)
        << "focused, the native window shows the text from the left";
}

TEST_F(UserEditForm, DisabledShowsButtonFaceAndGrayTextUntilEnabledAgain) {
    first.SetValue("aus");
    first.SetEnabled(false);
    EXPECT_EQ(toolkit::ColorToRgb(first.Color()), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(toolkit::ColorToRgb(first.FontColor()), ::GetSysColor(COLOR_GRAYTEXT));
    const testenv::Picture disabled = testenv::CaptureClient(first.Handle());
    EXPECT_EQ(disabled.At(disabled.width - 3, disabled.height / 2), ::GetSysColor(COLOR_BTNFACE));
    first.SetEnabled(true);
    EXPECT_EQ(first.Color(), toolkit::clWindow);
    EXPECT_EQ(first.FontColor(), toolkit::clWindowText);
}

TEST_F(UserEditForm, EnterStoresWithoutLeavingAndKeepsEditing) {
    first.SetValue("a");
    Enter(first);
    TypeText("b");
    TypeKey(VK_RETURN);
    EXPECT_EQ(first.Value(), "b");
    EXPECT_FALSE(first.TextModified());
    EXPECT_EQ(first.Text(), "b") << "not redisplayed";
    EXPECT_NE(first.EditState() & uesEditing, 0) << "still editing after Enter";
    TypeText("c");
    EXPECT_EQ(first.Value(), "bc") << "a later read takes over the pending edit";
    EXPECT_EQ(events, (std::vector<std::string>{"enter first", "modified first"}));
}

TEST_F(UserEditForm, ARefusedValueKeepsTheTypedTextAndTheModifiedFlag) {
    first.SetValue("alt");
    bool allow = false;
    first.OnModifying = [&](useredit::TCustomUserEdit&, bool& canModify) { canModify = allow; };
    Enter(first);
    TypeText("neu");

    TypeKey(VK_RETURN);  // refused by Enter: nothing stored, nothing reported as stored
    EXPECT_TRUE(first.TextModified());
    EXPECT_EQ(first.ValueOld(), "alt");
    EXPECT_EQ(first.EditState(), uesEditing) << "no refocus flag while the edit has the focus";

    Enter(second);  // refused on leaving: the focus comes back, the typed text stays
    EXPECT_TRUE(first.Focused());
    EXPECT_EQ(first.Text(), "neu");
    EXPECT_TRUE(first.TextModified());
    EXPECT_EQ(first.EditState(), uesEditing);
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(reports.empty());

    allow = true;
    Enter(second);
    EXPECT_EQ(first.ValueOld(), "neu");
    Enter(first);  // a real entry after all this is an entry again
    // A refused value still ends the visit for OnExit; the other edit is entered only once it is stored.
    EXPECT_EQ(events, (std::vector<std::string>{"enter first", "exit first", "modified first", "exit first",
                                                "enter second", "exit second", "enter first"}));
}

TEST_F(UserEditForm, AFailedEnterKeepsTheNextRealEntry) {
    first.SetValueMax("m");
    Enter(first);
    TypeText("z");
    TypeKey(VK_RETURN);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(first.EditState() & uesRefocus, 0);
    EXPECT_NE(first.EditState() & uesEditing, 0) << "editing again after the exception";
    TypeKey(VK_BACK);
    TypeText("c");
    Enter(second);
    events.clear();
    Enter(first);
    EXPECT_EQ(events, (std::vector<std::string>{"exit second", "enter first"}));
}

TEST_F(UserEditForm, TabAndRejectedCharactersReachOnInvalidChar) {
    std::vector<int> rejected;
    bool quiet = false;
    first.OnInvalidChar = [&](useredit::TCustomUserEdit&, char& key, useredit::TUserEditState) {
        rejected.push_back(key);
        return quiet;
    };
    Enter(first);
    TypeText("a\tb");
    quiet = true;
    TypeText("\t");
    EXPECT_EQ(first.Text(), "ab");
    EXPECT_EQ(rejected, (std::vector<int>{'\t', '\t'}));
    EXPECT_EQ(beeps, 1) << "a handler that returns true keeps the beep back";
}

TEST_F(UserEditForm, TheHistoryListHearsOfEveryStepInOrder) {
    auto list = std::make_unique<TRecordingList>();
    list->swallow = VK_F2;  // the edit never sees it
    first.SetHistoryList(list.get());
    second.SetHistoryList(list.get());
    Enter(first);
    TypeKey(VK_F3);  // its release stays with the edit while ForwardKeyUp is false
    list->ForwardKeyUp = true;
    TypeKey(VK_F2);
    Enter(second);
    first.SetBounds(10, 12, 130, 25);
    Enter(first);
    TypeText("x");
    Enter(second);
    EXPECT_EQ(list->calls,
              (std::vector<std::string>{
                  "SetEditControl first", "SetEditControl second", "SetEditControl first", "EditEntered",
                  "EditKeyDown 114", "EditKeyDown 113", "EditKeyUp 113", "EditLeft",  // first left unchanged
                  "SetEditControl second", "EditEntered",                             // second entered
                  "EditBoundsChanged 10 12 130 25",                                   // the first one moved
                  "EditLeft", "SetEditControl first", "EditEntered",                  // back to the first
                  "EditValueAccepted", "EditLeft", "SetEditControl second", "EditEntered"}));

    // Destroying one edit detaches the shared list although it serves the other; the list's end clears the
    // other edit's link without a call.
    list->calls.clear();
    auto third = std::make_unique<TEditText>(form, 8, 80, 100, 21);
    third->SetName("third");
    third->SetHistoryList(list.get());
    third.reset();
    EXPECT_EQ(list->calls, (std::vector<std::string>{"SetEditControl third", "SetEditControl none"}));
    list.reset();
    EXPECT_EQ(first.HistoryList(), nullptr);
    EXPECT_EQ(second.HistoryList(), nullptr);
    Enter(first);  // would reach the destroyed list if the link were left
}

}  // namespace
