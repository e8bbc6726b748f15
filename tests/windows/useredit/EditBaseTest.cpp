// The toolkit's focus notices, dialog keys and modal loop, and the edit base control, through real windows,
// real messages and real focus moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "toolkit/Forms.h"
#include "toolkit/Module.h"
#include "toolkit/StdCtrls.h"
#include "useredit/win32/UserEdiX.h"

namespace {

using useredit::TBorderStyle;
using useredit::TCustomEditEx;
using useredit::TEditCharCase;

class TTestForm final : public toolkit::TForm {
public:
    TTestForm() : TForm("TTestForm", "test", 300, 120, nullptr, true) {}
};

// A form with two edits and a button, shown, with every enter and exit notice recorded in order.
class EditForm : public testing::Test {
protected:
    void SetUp() override {
        form.Show();
        for (auto [edit, name] :
             {std::pair<TCustomEditEx*, const char*>{&first, "first"}, {&second, "second"}}) {
            edit->OnEnter = [this, name] { notices.push_back(std::string("enter ") + name); };
            edit->OnExit = [this, name] { notices.push_back(std::string("exit ") + name); };
        }
        previousReporter = toolkit::SetExceptionReporter([this](std::exception_ptr) { ++reports; });
    }
    void TearDown() override { toolkit::SetExceptionReporter(previousReporter); }

    // Posts a key press to the focused window and lets the toolkit's loop handle it, as typing would.
    static void Type(WORD key) {
        HWND focus = ::GetFocus();
        ::PostMessageA(focus, WM_KEYDOWN, key, 1);
        ::PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
        toolkit::TForm::ProcessMessages();
    }
    static std::string Text(const TCustomEditEx& edit) { return edit.Text(); }
    static std::pair<int, int> Selection(const TCustomEditEx& edit) {
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageA(edit.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        return {static_cast<int>(start), static_cast<int>(end)};
    }
    static LONG Style(const TCustomEditEx& edit) { return ::GetWindowLongA(edit.Handle(), GWL_STYLE); }

    TTestForm form;
    TCustomEditEx first{form, 8, 8, 121, 25};
    TCustomEditEx second{form, 8, 40, 121, 25};
    toolkit::TButton button{form, "OK", 8, 80, 75, 25};
    std::vector<std::string> notices;
    int reports = 0;
    toolkit::ExceptionReporter previousReporter;
};

TEST_F(EditForm, FocusMovesSendExitBeforeEnterAndNothingForAReturn) {
    first.SetFocus();
    second.SetFocus();
    // The focus leaves the form for another window and comes back to the same control: no notices.
    HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr);
    ::SetFocus(other);
    second.SetFocus();
    ::DestroyWindow(other);
    EXPECT_EQ(notices, (std::vector<std::string>{"enter first", "exit first", "enter second"}));
}

TEST_F(EditForm, AnExitThatTakesTheFocusBackKeepsTheNextControlFromEntering) {
    first.SetFocus();
    first.OnExit = [this] {
        notices.push_back("exit first");
        first.SetFocus();
    };
    second.SetFocus();
    EXPECT_TRUE(first.Focused());
    EXPECT_EQ(notices, (std::vector<std::string>{"enter first", "exit first", "enter first"}));
}

TEST_F(EditForm, AnExceptionFromAnExitNoticeIsReportedOnce) {
    first.SetFocus();
    first.OnExit = [this] {
        first.SetFocus();
        throw std::runtime_error("check failed");
    };
    second.SetFocus();
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(first.Focused());
}

TEST_F(EditForm, TabEntrySelectsAllButAClickPlacesTheCaret) {
    first.SetText("abc");
    second.SetText("hello");
    first.SetFocus();
    Type(VK_TAB);
    ASSERT_TRUE(second.Focused());
    EXPECT_EQ(Selection(second), std::make_pair(0, 5));

    first.SetFocus();
    ::SendMessageA(second.Handle(), EM_SETSEL, 2, 2);
    BYTE keys[256];
    ::GetKeyboardState(keys);
    BYTE pressed[256];
    std::copy(std::begin(keys), std::end(keys), pressed);
    pressed[VK_LBUTTON] = 0x80;
    ::SetKeyboardState(pressed);  // the button is held while the click moves the focus
    second.SetFocus();
    ::SetKeyboardState(keys);
    EXPECT_EQ(Selection(second), std::make_pair(2, 2));
}

TEST_F(EditForm, KeyDownSeesDialogKeysFirstAndAZeroedKeyGoesNoFurther) {
    std::vector<WORD> seen;
    first.OnKeyDown = [&](WORD& key, toolkit::TShiftState) {
        seen.push_back(key);
        if (key == VK_TAB) {
            key = 0;
        }
    };
    first.SetFocus();
    Type(VK_TAB);
    EXPECT_TRUE(first.Focused()) << "a zeroed Tab does not move the focus";
    Type(VK_RETURN);
    EXPECT_EQ(seen, (std::vector<WORD>{VK_TAB, VK_RETURN}));
}

// The native edit takes WS_BORDER out of its style and draws the line itself: a bordered edit's corner pixel
// is not the window colour.
bool DrawsBorder(const TCustomEditEx& edit) {
    ::RedrawWindow(edit.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASE);
    HDC dc = ::GetWindowDC(edit.Handle());
    const COLORREF corner = ::GetPixel(dc, 0, 0);
    ::ReleaseDC(edit.Handle(), dc);
    return corner != ::GetSysColor(COLOR_WINDOW);
}

// The toolkit's loop runs KeyDown before it dispatches a key; the window procedure skips it for that message
// only. A KeyDown that recreates the window sends the message to a window that is gone: the next key that a
// host's own loop dispatches still gets its KeyDown.
TEST_F(EditForm, AKeyDownThatRecreatesTheWindowLeavesTheNextKeyItsKeyDown) {
    std::vector<WORD> seen;
    first.OnKeyDown = [&](WORD& key, toolkit::TShiftState) {
        seen.push_back(key);
        if (key == VK_F2) {
            first.SetCharCase(first.CharCase() == TEditCharCase::ecNormal ? TEditCharCase::ecUpperCase
                                                                          : TEditCharCase::ecNormal);
        }
    };
    first.SetFocus();
    const HWND created = first.Handle();
    ::PostMessageA(first.Handle(), WM_KEYDOWN, VK_F2, 1);
    toolkit::TForm::ProcessMessages();
    ASSERT_NE(first.Handle(), created);
    ::PostMessageA(first.Handle(), WM_KEYDOWN, VK_F3, 1);
    testenv::PumpMessages();
    EXPECT_EQ(seen, (std::vector<WORD>{VK_F2, VK_F3}));
}

// An edit whose memory stays in place after delete, filled with a pattern: a write after delete shows.
class TWatchedEdit final : public TCustomEditEx {
public:
    using TCustomEditEx::TCustomEditEx;
    static void* operator new(std::size_t size) {
        if (size > sizeof memory_) {
            throw std::bad_alloc();
        }
        return memory_;
    }
    static void operator delete(void* object) { std::memset(object, kFreed, sizeof memory_); }
    static bool UntouchedSinceDelete() {
        return std::all_of(std::begin(memory_), std::end(memory_),
                           [](unsigned char b) { return b == kFreed; });
    }

private:
    static constexpr unsigned char kFreed = 0xCD;
    alignas(std::max_align_t) static inline unsigned char memory_[4096];
};

TEST_F(EditForm, AKeyDownThatDeletesTheControlIsTheLastUseOfIt) {
    for (const WORD key : {WORD{VK_F2}, WORD{VK_TAB}, WORD{VK_RETURN}}) {
        SCOPED_TRACE(key);
        auto* doomed = new TWatchedEdit(form, 8, 100, 121, 25);
        doomed->OnKeyDown = [doomed](WORD&, toolkit::TShiftState) { delete doomed; };
        ::PostMessageA(doomed->Handle(), WM_KEYDOWN, key, 1);
        toolkit::TForm::ProcessMessages();
        EXPECT_TRUE(TWatchedEdit::UntouchedSinceDelete());
        EXPECT_EQ(reports, 0);
    }
}

TEST_F(EditForm, StyleBitsFollowTheProperties) {
    EXPECT_EQ(Style(first) & (ES_AUTOHSCROLL | ES_AUTOVSCROLL), ES_AUTOHSCROLL | ES_AUTOVSCROLL);
    EXPECT_TRUE(DrawsBorder(first));
    EXPECT_EQ(::GetWindowLongA(first.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << "a plain border line";
    EXPECT_EQ(Style(first) & ES_NOHIDESEL, 0);
    first.SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_FALSE(DrawsBorder(first));
    first.SetCharCase(TEditCharCase::ecUpperCase);
    EXPECT_EQ(Style(first) & (ES_UPPERCASE | ES_LOWERCASE), ES_UPPERCASE);
    first.SetCharCase(TEditCharCase::ecLowerCase);
    EXPECT_EQ(Style(first) & (ES_UPPERCASE | ES_LOWERCASE), ES_LOWERCASE);
    first.SetReadOnly(true);
    EXPECT_NE(Style(first) & ES_READONLY, 0);
    first.SetPasswordChar('*');
    EXPECT_NE(Style(first) & ES_PASSWORD, 0);
    first.SetPasswordChar(0);
    EXPECT_EQ(Style(first) & ES_PASSWORD, 0) << "0 shows the plain text again";
}

TEST_F(EditForm, RecreationKeepsTextModifiedFlagLimitPasswordAndFocus) {
    first.SetMaxLength(7);
    first.SetPasswordChar('#');
    first.SetText("secret");
    first.SetTextModified(true);
    first.SetFocus();
    HWND before = first.Handle();
    first.SetBorderStyle(TBorderStyle::bsNone);
    first.SetCharCase(TEditCharCase::ecLowerCase);
    ASSERT_NE(first.Handle(), before);
    EXPECT_EQ(Text(first), "secret");
    EXPECT_EQ(::SendMessageA(first.Handle(), EM_GETMODIFY, 0, 0), TRUE);
    EXPECT_EQ(::SendMessageA(first.Handle(), EM_GETLIMITTEXT, 0, 0), 7);
    EXPECT_EQ(::SendMessageA(first.Handle(), EM_GETPASSWORDCHAR, 0, 0), '#');
    EXPECT_TRUE(first.Focused());
    EXPECT_EQ(::GetNextDlgTabItem(form.Handle(), first.Handle(), FALSE), second.Handle())
        << "tab position kept";
    EXPECT_EQ(notices, (std::vector<std::string>{"enter first"})) << "recreation sends no notices";
}

TEST_F(EditForm, LimitZeroIsThePlatformsLargest) {
    first.SetMaxLength(3);
    first.SetMaxLength(0);
    EXPECT_EQ(::SendMessageA(first.Handle(), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(EditForm, OnChangeCountsTextChangesButNotCreation) {
    int changes = 0;
    first.OnChange = [&](TCustomEditEx&) { ++changes; };
    first.SetText("abc");
    ::SendMessageA(first.Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("d"));
    EXPECT_EQ(changes, 2);
    first.SetCharCase(TEditCharCase::ecUpperCase);  // a new window created with the text
    EXPECT_EQ(changes, 2);
}

TEST_F(EditForm, PasswordCharChangeKeepsAnEditInProgress) {
    first.SetText("typed");
    first.SetTextModified(true);
    first.SetPasswordChar('*');
    EXPECT_TRUE(first.TextModified());
    EXPECT_EQ(Text(first), "typed");
}

TEST_F(EditForm, CopySelectedTextCutsToTheBuffer) {
    first.SetText("123456789");
    first.SelectWholeText();
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(first.CopySelectedText(buffer, 5), 4);
    EXPECT_EQ(std::string(buffer), "1234");
    EXPECT_EQ(first.CopySelectedText(buffer, 0), 0);
    EXPECT_EQ(first.CopySelectedText(buffer, -3), 0);
    EXPECT_EQ(std::string(buffer), "1234") << "no buffer: nothing written";
    first.SetSelectionStart(2);
    first.SetSelectionLength(3);
    EXPECT_EQ(first.GetSelectedText(), "345");
}

TEST_F(EditForm, HeightFollowsTheFontOnlyWithASingleBorder) {
    // The expected height comes from the metrics the test reads itself.
    auto heightOf = [](HFONT font) {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font);
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc, &metrics);
        ::SelectObject(dc, previous);
        ::ReleaseDC(nullptr, dc);
        return metrics.tmHeight;
    };
    HDC screen = ::GetDC(nullptr);
    TEXTMETRICA screenMetrics{};
    ::GetTextMetricsA(screen, &screenMetrics);
    ::ReleaseDC(nullptr, screen);
    const int font = heightOf(reinterpret_cast<HFONT>(::SendMessageA(first.Handle(), WM_GETFONT, 0, 0)));
    const int expected =
        font + std::min<int>(screenMetrics.tmHeight, font) / 4 + 4 * ::GetSystemMetrics(SM_CYBORDER);
    EXPECT_EQ(first.Height(), expected);
    RECT window;
    ::GetWindowRect(first.Handle(), &window);
    EXPECT_EQ(window.bottom - window.top, expected);

    second.SetBorderStyle(TBorderStyle::bsNone);
    second.SetBounds(8, 40, 161, 15);
    second.SetFont({.Name = "MS Sans Serif", .Height = -20});
    EXPECT_EQ(second.Height(), 15) << "without a border the caller's height stays";
}

TEST_F(EditForm, PasswordEditNeverCopiesItsText) {
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    first.SetText("geheim");
    first.SetPasswordChar('*');
    first.SelectWholeText();
    first.CopySelection();
    ::SendMessageA(first.Handle(), WM_CUT, 0, 0);
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(Text(first), "geheim");
}

class TModalForm final : public toolkit::TForm {
public:
    TModalForm() : TForm("TModalForm", "modal", 200, 100, nullptr, true) {
        ok.ModalResult = toolkit::mrOk;
        cancel.ModalResult = toolkit::mrCancel;
        SetDefaultButton(&ok);
        SetCancelButton(&cancel);
    }
    TCustomEditEx edit{*this, 8, 8, 100, 20};
    toolkit::TButton ok{*this, "OK", 8, 60, 75, 25};
    toolkit::TButton cancel{*this, "Abbrechen", 100, 60, 75, 25};
    int closes = 0;

private:
    void FormClose(toolkit::TCloseAction&) override { ++closes; }
};

TEST(ModalForm, ResultsDialogKeysAndDisabledOwners) {
    HWND other = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    struct Case {
        const char* name;
        std::function<void(TModalForm&)> act;
        int result;
    };
    const std::vector<Case> cases = {
        {"Enter clicks the default button",
         [](TModalForm& f) { ::PostMessageA(f.edit.Handle(), WM_KEYDOWN, VK_RETURN, 1); }, 1},
        {"Escape clicks the cancel button",
         [](TModalForm& f) { ::PostMessageA(f.edit.Handle(), WM_KEYDOWN, VK_ESCAPE, 1); }, 2},
        {"closing the window gives 2", [](TModalForm& f) { ::PostMessageA(f.Handle(), WM_CLOSE, 0, 0); }, 2},
        {"a click on OK", [](TModalForm& f) { ::PostMessageA(f.ok.Handle(), BM_CLICK, 0, 0); }, 1},
    };
    for (const Case& c : cases) {
        TModalForm form;
        bool otherDisabled = false;
        form.edit.OnEnter = [&] {
            otherDisabled = !::IsWindowEnabled(other);
            c.act(form);
        };
        EXPECT_EQ(form.ShowModal(), c.result) << c.name;
        EXPECT_TRUE(otherDisabled) << c.name;
        EXPECT_TRUE(::IsWindowEnabled(other)) << c.name << ": enabled again";
        EXPECT_EQ(form.closes, 1) << c.name;
    }
    ::DestroyWindow(other);
}

}  // namespace
