// The masked text edit under Wine: the scenario table the native key engine runs, typed here into the real
// control with key messages, characters and the clipboard; the block cursor's borrowed keyboard state; the
// dialog code; and the character services against the system's ANSI routines.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "tests/support/MaskScenarios.h"
#include "support/Typing.h"
#include "toolkit/Forms.h"
#include "toolkit/Module.h"
#include "useredit/CharServices.h"
#include "useredit/EditMask.h"
#include "useredit/win32/UserEdit.h"
#include "useredit/win32/UserMaskEdit.h"
#include "useredit/win32/WinCharServices.h"

namespace {

using testsupport::KeyStroke;
using testsupport::MaskScenario;

class TTestForm final : public toolkit::TForm {
public:
    TTestForm() : TForm("TMaskEditTestForm", "mask", 300, 100, nullptr, true) {}
};

std::optional<std::string> ClipboardText() {
    std::optional<std::string> text;
    if (::OpenClipboard(nullptr)) {
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    return text;
}

void SetClipboard(const char* text) {
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    if (text != nullptr) {
        const std::size_t size = std::strlen(text) + 1;
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(::GlobalLock(memory), text, size);
        ::GlobalUnlock(memory);
        ::SetClipboardData(CF_TEXT, memory);
    }
    ::CloseClipboard();
}

// Holds the clipboard open on another thread, so that the control cannot open it.
class ClipboardLock {
public:
    ClipboardLock()
        : thread_([this] {
              ::OpenClipboard(nullptr);
              held_ = true;
              while (!release_) {
                  ::Sleep(1);
              }
              ::CloseClipboard();
          }) {
        while (!held_) {
            ::Sleep(1);
        }
    }
    ~ClipboardLock() {
        release_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> held_{false};
    std::atomic<bool> release_{false};
    std::thread thread_;
};

// A key as the keyboard sends it: the modifiers in the keyboard state while it goes down and up, and the
// character TranslateMessage makes of it.
void Press(WORD key, bool shift, bool ctrl) {
    BYTE saved[256];
    ::GetKeyboardState(saved);
    BYTE state[256];
    std::copy(std::begin(saved), std::end(saved), std::begin(state));
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
    const bool extended = (key >= VK_END && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    const LPARAM down = 1 | static_cast<LPARAM>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16 |
                        (extended ? LPARAM{1} << 24 : 0);
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, down);
    toolkit::TForm::ProcessMessages();
    ::PostMessageA(::GetFocus(), WM_KEYUP, key, down | 0xC0000000);
    toolkit::TForm::ProcessMessages();
    ::SetKeyboardState(saved);
}

void PostChar(char c) {
    ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
    toolkit::TForm::ProcessMessages();
}

class MaskEditForm : public testing::Test {
protected:
    void SetUp() override {
        useredit::ReadLocaleSeparatorsOnce();  // before the settings are saved, so they stay ours
        saved_ = useredit::GlobalMaskSettings();
        useredit::GlobalMaskSettings().DateSeparator = '.';
        useredit::GlobalMaskSettings().DefaultBlank = '_';
        previousBeeper_ = toolkit::SetBeeper([this] { ++beeps; });
        previousReporter_ = toolkit::SetExceptionReporter([this](std::exception_ptr) { ++reports; });
        form.emplace();
        masked.emplace(*form, 8, 8, 150, 21);
        other.emplace(*form, 8, 40, 150, 21);
        masked->OnEnter = [this] { ++enters; };
        form->Show();
    }
    void TearDown() override {
        other.reset();
        masked.reset();
        form.reset();
        toolkit::SetBeeper(previousBeeper_);
        toolkit::SetExceptionReporter(previousReporter_);
        useredit::GlobalMaskSettings() = saved_;
    }

    void Type(const KeyStroke& stroke) {
        switch (stroke.kind) {
            case KeyStroke::Kind::FocusOut:
                other->SetFocus();
                toolkit::TForm::ProcessMessages();
                return;
            case KeyStroke::Kind::FocusIn:
                masked->SetFocus();
                toolkit::TForm::ProcessMessages();
                return;
            case KeyStroke::Kind::Char:
                PostChar(stroke.c);
                return;
            case KeyStroke::Kind::Clear:
                ::SendMessageA(masked->Handle(), WM_CLEAR, 0, 0);
                toolkit::TForm::ProcessMessages();
                return;
            case KeyStroke::Kind::Key:
                break;
        }
        const auto byte = static_cast<unsigned char>(stroke.c);
        if (stroke.key == VK_TAB) {
            PostChar(stroke.c);  // the Tab key moves the focus; its character is what may reach the control
        } else if (byte >= 0x20 && byte < 0x7F) {
            const SHORT scan = ::VkKeyScanA(stroke.c);
            Press(LOBYTE(scan), (HIBYTE(scan) & 1) != 0 || stroke.shift.Shift, stroke.shift.Ctrl);
        } else {
            Press(stroke.key, stroke.shift.Shift, stroke.shift.Ctrl);
        }
    }

    std::optional<TTestForm> form;
    std::optional<useredit::TMaskEditText> masked;
    std::optional<useredit::TMaskEditText> other;
    int beeps = 0;
    int enters = 0;
    int reports = 0;

private:
    useredit::MaskSettings saved_;
    toolkit::Beeper previousBeeper_;
    toolkit::ExceptionReporter previousReporter_;
};

class MaskScenarios : public MaskEditForm, public testing::WithParamInterface<MaskScenario> {
protected:
    struct Outcome {
        std::string text;
        std::pair<int, int> selection;
        bool modified = false;
        int beeps = 0;
        bool operator==(const Outcome&) const = default;
    };

    // The row's start, then `keys`.
    Outcome Play(const MaskScenario& scenario, std::string_view keys) {
        const testsupport::MarkedText start = testsupport::ReadMarkedText(scenario.before);
        masked->SetReadOnly(false);
        masked->SetEditMask(scenario.mask);
        masked->SetValue(start.text);
        masked->SetFocus();
        toolkit::TForm::ProcessMessages();
        ::SendMessageA(masked->Handle(), EM_SETSEL, start.anchor, start.caret);
        masked->SetTextModified(scenario.modifiedBefore);
        masked->SetReadOnly(scenario.readOnly);
        SetClipboard(scenario.clipboard);
        enters = 0;
        beeps = 0;
        {
            std::optional<ClipboardLock> lock;
            if (scenario.clipboardLocked) {
                lock.emplace();
            }
            for (const KeyStroke& stroke : testsupport::ReadKeys(keys)) {
                Type(stroke);
            }
        }
        return {masked->Text(), testenv::Selection(masked->Handle()), masked->TextModified(), beeps};
    }
};

TEST_P(MaskScenarios, TypedIntoTheRealControl) {
    const MaskScenario& scenario = GetParam();
    const testsupport::MarkedText expected = testsupport::ReadMarkedText(scenario.after);
    EXPECT_EQ(
        Play(scenario, scenario.keys),
        (Outcome{expected.text, {expected.Start(), expected.End()}, scenario.modified, scenario.beeps}));
    const auto clipboardAfter =
        scenario.clipboardAfter ? std::optional<std::string>(scenario.clipboardAfter) : std::nullopt;
    EXPECT_EQ(ClipboardText(), clipboardAfter);
    EXPECT_EQ(enters, scenario.enters);
}

std::string ScenarioName(const ::testing::TestParamInfo<MaskScenario>& info) {
    return testsupport::ScenarioTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Typing, MaskScenarios, testing::ValuesIn(testsupport::kMaskScenarios), ScenarioName);

// The rows of the menu's Delete command, played again with the Delete key in its place.
TEST_F(MaskScenarios, TheMenuCommandDeleteIsTheDeleteKey) {
    int compared = 0;
    for (const MaskScenario& scenario : testsupport::kMaskScenarios) {
        std::string keys = scenario.keys;
        if (keys.find("{Clear}") == std::string::npos) {
            continue;
        }
        SCOPED_TRACE(scenario.name);
        const Outcome command = Play(scenario, keys);
        for (std::size_t at; (at = keys.find("{Clear}")) != std::string::npos;) {
            keys.replace(at, 7, "{Del}");
        }
        EXPECT_EQ(command, Play(scenario, keys));
        ++compared;
    }
    EXPECT_EQ(compared, 5);
}

// Masked changes cannot be undone: the edit window never holds an undo step the mask did not make.
TEST_F(MaskEditForm, NoMaskedChangeCanBeUndoneOnAnyPath) {
    masked->SetEditMask("000-000");
    masked->SetFocus();
    toolkit::TForm::ProcessMessages();
    SetClipboard("9");
    const HWND edit = masked->Handle();
    const struct {
        const char* name;
        int anchor;
        int caret;
        std::function<void()> change;
    } changes[] = {
        {"typing", 1, 0, [] { PostChar('7'); }},
        {"Delete", 2, 1, [] { Press(VK_DELETE, false, false); }},
        {"WM_CLEAR", 5, 1, [edit] { ::SendMessageA(edit, WM_CLEAR, 0, 0); }},
        {"WM_PASTE", 1, 0, [edit] { ::SendMessageA(edit, WM_PASTE, 0, 0); }},
        {"WM_CUT", 2, 0, [edit] { ::SendMessageA(edit, WM_CUT, 0, 0); }},
    };
    for (const auto& [name, anchor, caret, change] : changes) {
        SCOPED_TRACE(name);
        masked->SetValue("123-456");
        ::SendMessageA(edit, EM_SETSEL, anchor, caret);
        const std::string before = masked->Text();
        change();
        toolkit::TForm::ProcessMessages();
        const std::string changed = masked->Text();
        EXPECT_NE(changed, before);
        EXPECT_EQ(::SendMessageA(masked->Handle(), EM_CANUNDO, 0, 0), 0);
        ::SendMessageA(masked->Handle(), WM_UNDO, 0, 0);
        ::SendMessageA(masked->Handle(), EM_UNDO, 0, 0);
        // Alt+Backspace is the edit window's own undo key.
        ::PostMessageA(masked->Handle(), WM_SYSKEYDOWN, VK_BACK, 1 | LPARAM{1} << 29);
        toolkit::TForm::ProcessMessages();
        EXPECT_EQ(masked->Text(), changed);
    }
}

// A masked edit whose cancel step, which Escape runs, is counted.
class TCancelCountingEdit final : public useredit::TMaskEditText {
public:
    using TMaskEditText::TMaskEditText;
    int cancels = 0;

protected:
    void CancelInput() override {
        ++cancels;
        TMaskEditText::CancelInput();
    }
};

TEST_F(MaskEditForm, EscapeRunsTheMaskedEditsCancelStep) {
    TCancelCountingEdit edit(*form, 8, 70, 150, 21);
    edit.SetEditMask("00-00");
    edit.SetValue("12-34");
    edit.SetFocus();
    toolkit::TForm::ProcessMessages();
    PostChar('9');
    ASSERT_TRUE(edit.TextModified());
    Press(VK_ESCAPE, false, false);
    EXPECT_EQ(edit.cancels, 1);
    EXPECT_EQ(edit.Text(), "12-34");
    EXPECT_FALSE(edit.TextModified());
}

TEST_F(MaskEditForm, WithoutAMaskTheMenuCommandDeleteIsTheEditWindows) {
    useredit::TEditText text(*form, 8, 70, 150, 21);
    text.SetValue("abcdef");
    ::SendMessageA(text.Handle(), EM_SETSEL, 1, 3);
    ::SendMessageA(text.Handle(), WM_CLEAR, 0, 0);
    EXPECT_EQ(text.Text(), "adef");
    EXPECT_NE(::SendMessageA(text.Handle(), EM_CANUNDO, 0, 0), 0) << "the edit window's own deletion";
}

TEST_F(MaskEditForm, TheBlockCursorBorrowsTheKeyboardStateAndGivesItBack) {
    masked->SetEditMask("000-000");
    masked->SetValue("123-456");
    masked->SetFocus();
    toolkit::TForm::ProcessMessages();
    BYTE before[256];
    ::GetKeyboardState(before);
    before[VK_CAPITAL] = 0x01;  // a state of the user's that the simulated Shift+Left must not lose
    ::SetKeyboardState(before);
    Press(VK_HOME, false, false);
    Press(VK_RIGHT, false, false);
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageA(masked->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(DWORD{1}, DWORD{2}))
        << "the character at the cursor";
    BYTE after[256];
    ::GetKeyboardState(after);
    EXPECT_EQ(after[VK_CAPITAL] & 1, 1);
    EXPECT_EQ(after[VK_SHIFT] & 0x80, 0);
    EXPECT_EQ(after[VK_LEFT] & 0x80, 0);

    // Shift+Right grows the selection from the block's start: the caret sits at the block's start.
    Press(VK_RIGHT, true, false);
    EXPECT_EQ(testenv::Selection(masked->Handle()), std::make_pair(1, 3));
    before[VK_CAPITAL] = 0;
    ::SetKeyboardState(before);
}

TEST_F(MaskEditForm, AModifiedMaskedInputWantsEnterAndEscapeButTabStillMoves) {
    masked->SetEditMask("00-00");
    masked->SetFocus();
    toolkit::TForm::ProcessMessages();
    const auto code = [this] {
        return ::SendMessageA(masked->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS;
    };
    EXPECT_EQ(code(), 0);
    PostChar('1');
    EXPECT_EQ(code(), DLGC_WANTALLKEYS);
    Press(VK_TAB, false, false);
    EXPECT_TRUE(other->Focused());
}

TEST_F(MaskEditForm, AMaskFitsTheTextAndTheValueShowsFitted) {
    masked->SetValue("12345");
    masked->SetEditMask("00-00");
    EXPECT_EQ(masked->Text(), "12-45");
    masked->SetValue("9");
    EXPECT_EQ(masked->Text(), "9_-__");
    EXPECT_EQ(masked->Value(), "9_-__");
}

TEST_F(MaskEditForm, TheLengthLimitIsNeverBelowTheMask) {
    const auto limit = [this] { return ::SendMessageA(masked->Handle(), EM_GETLIMITTEXT, 0, 0); };
    masked->SetMaxLength(3);
    EXPECT_EQ(limit(), 3);
    masked->SetEditMask("000-000");
    EXPECT_EQ(limit(), 7) << "raised to the mask's length";
    EXPECT_EQ(masked->MaxLength(), 3) << "kept for later";
    ::SendMessageA(masked->Handle(), EM_LIMITTEXT, 2, 0);
    EXPECT_EQ(limit(), 7) << "from outside as well";
    ::SendMessageA(masked->Handle(), EM_LIMITTEXT, 9, 0);
    EXPECT_EQ(limit(), 9) << "a limit above the mask stays";
    masked->SetEditMask("");
    EXPECT_EQ(limit(), 3) << "without a mask MaxLength applies again";
}

// A text set from outside while another control has the focus is the edit in progress: entering the edit
// does not cover it with the value, and reading the value takes it over.
TEST_F(MaskEditForm, AnUnfocusedEditKeepsATextSetFromOutside) {
    for (const bool enterFirst : {false, true}) {
        masked->SetEditMask("00-00");
        masked->SetValue("12-34");
        other->SetFocus();
        toolkit::TForm::ProcessMessages();
        ::SendMessageA(masked->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("56-78"));
        EXPECT_EQ(masked->Text(), "56-78") << enterFirst;
        EXPECT_TRUE(masked->TextModified()) << enterFirst;
        if (enterFirst) {
            masked->SetFocus();
            toolkit::TForm::ProcessMessages();
            EXPECT_EQ(masked->Text(), "56-78") << "entering shows the value over it";
        }
        EXPECT_EQ(masked->Value(), "56-78") << enterFirst;
        EXPECT_EQ(masked->ValueOld(), "56-78") << enterFirst;
    }
}

// A value that OnChange sets while a text from outside arrives is the control's own: not an edit in progress.
TEST_F(MaskEditForm, AValueSetByOnChangeDuringAnOutsideTextStaysUnmodified) {
    useredit::TEditText edit(*form, 8, 70, 150, 21);
    edit.OnChange = [&edit](useredit::TCustomEditEx&) {
        if (edit.Text() == "fremd") {
            edit.SetValue("eigen");
        }
    };
    ::SendMessageA(edit.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("fremd"));
    EXPECT_EQ(edit.Text(), "eigen");
    EXPECT_FALSE(edit.TextModified());
}

// A password edit opens no menu that offers Copy and Cut; the row without one shows the menu is seen.
TEST_F(MaskEditForm, APasswordEditShowsNoContextMenu) {
    for (const char passwordChar : {'*', '\0'}) {
        useredit::TEditText edit(*form, 8, 70, 150, 21);
        edit.SetPasswordChar(passwordChar);
        edit.SetValue("secret");
        // A menu runs inside the message: the watcher closes whatever appears until the message returns.
        std::atomic<bool> menuShown{false};
        std::atomic<bool> returned{false};
        std::thread watcher([&menuShown, &returned] {
            while (!returned) {
                if (HWND menu = ::FindWindowA("#32768", nullptr);
                    menu != nullptr && ::IsWindowVisible(menu)) {
                    menuShown = true;
                    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                }
                ::Sleep(10);
            }
        });
        ::SendMessageA(edit.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit.Handle()),
                       MAKELPARAM(20, 80));
        returned = true;
        watcher.join();
        EXPECT_EQ(menuShown, passwordChar == 0) << passwordChar;
    }
}

TEST(WinCharServices, AgreeWithTheTableOfTheNativeBuildForEveryByte) {
    const useredit::Cp1252CharServices table;
    const useredit::CharServices& system = useredit::SystemCharServices();
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        SCOPED_TRACE(byte);
        EXPECT_EQ(table.IsAlpha(c), system.IsAlpha(c));
        EXPECT_EQ(table.IsAlphaNumeric(c), system.IsAlphaNumeric(c));
        EXPECT_EQ(table.ToUpper(c), system.ToUpper(c));
        EXPECT_EQ(table.ToLower(c), system.ToLower(c));
    }
}

}  // namespace
