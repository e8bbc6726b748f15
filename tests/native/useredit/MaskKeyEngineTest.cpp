// The masked edit's key engine typed through the shared scenario table, and its mouse, focus, clipboard
// message and dialog-code rules.
#include "useredit/MaskKeyEngine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "tests/native/support/FakeMaskEditWindow.h"
#include "tests/support/MaskScenarios.h"
#include "useredit/CharServices.h"

namespace testsupport {

// A failing scenario is named by its sentence rather than dumped as bytes.
void PrintTo(const MaskScenario& scenario, std::ostream* os) {
    *os << '"' << scenario.name << '"';
}

}  // namespace testsupport

namespace {

using testsupport::KeyStroke;
using testsupport::MarkedText;
using testsupport::MaskScenario;
using testsupport::ReadKeys;
using testsupport::ReadMarkedText;
using useredit::GlobalMaskSettings;
using useredit::MaskSettings;

const useredit::Cp1252CharServices kChars;

// The control's message handling around the engine, with the validated edit's focus handling as a masked
// edit of text values has it: leaving stores a modified text as the value and shows it, entering shows the
// value selected and unmodified.
class MaskedEditRun {
public:
    explicit MaskedEditRun(std::string_view mask) {
        engine.SetMask(mask);
        window.onTextSet = [this] { engine.TextChanged(); };
        window.onFocusTaken = [this] { Enter(); };
        window.onCancelInput = [this] { engine.CancelInput(); };
    }

    // Starts from a value shown with the marked selection.
    void Show(std::string_view marked) {
        const MarkedText start = ReadMarkedText(marked);
        window.text = window.value = start.text;
        window.anchor = start.anchor;
        window.caret = start.caret;
    }

    // What a keyboard sends: the key down, the character TranslateMessage makes of it, the key up.
    void Type(const KeyStroke& stroke) {
        switch (stroke.kind) {
            case KeyStroke::Kind::Key: {
                std::uint16_t key = stroke.key;
                engine.KeyDown(key, stroke.shift);
                if (key != 0) {
                    window.DefaultKeyDown(key, stroke.shift);
                }
                if (stroke.c != 0) {
                    Press(stroke.c);
                }
                engine.KeyUp(stroke.key, stroke.shift);
                break;
            }
            case KeyStroke::Kind::Char:
                Press(stroke.c);
                break;
            case KeyStroke::Kind::FocusOut:
                Leave();
                break;
            case KeyStroke::Kind::FocusIn:
                window.focused = true;
                Enter();
                break;
            case KeyStroke::Kind::Clear:
                EXPECT_TRUE(engine.Clear()) << "a masked edit handles WM_CLEAR itself";
                break;
        }
    }

    void Type(std::string_view keys) {
        for (const KeyStroke& stroke : ReadKeys(keys)) {
            Type(stroke);
        }
    }

    void Leave() {
        window.focused = false;
        engine.FocusExit();
        if (window.modified) {
            window.value = window.text;
            window.modified = false;
        }
        window.SetText(window.value);
    }

    void Enter() {
        engine.FocusReceived();
        engine.FocusEnter([this] {
            ++enters;
            window.ShowValueSelected();
        });
    }

    testsupport::FakeMaskEditWindow window;
    useredit::MaskKeyEngine engine{window, kChars};
    int enters = 0;

private:
    void Press(char c) {
        engine.KeyPress(c);
        EXPECT_EQ(c, 0) << "the edit window would insert the character itself";
    }
};

void ExpectSelection(const MaskedEditRun& run, std::string_view marked) {
    const MarkedText expected = ReadMarkedText(marked);
    EXPECT_EQ(run.window.text, expected.text);
    EXPECT_EQ(run.window.Selection().Start, expected.Start());
    EXPECT_EQ(run.window.Selection().End, expected.End());
}

// Every test runs with "." as the date separator, so that a locale literal differs from its mask character.
class MaskKeyEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        GlobalMaskSettings().DateSeparator = '.';
        GlobalMaskSettings().DefaultBlank = '_';
    }
    void TearDown() override { GlobalMaskSettings() = saved_; }

private:
    MaskSettings saved_ = GlobalMaskSettings();
};

class MaskScenarios : public MaskKeyEngineTest, public ::testing::WithParamInterface<MaskScenario> {};

TEST_P(MaskScenarios, TypedKeysGiveTheTextSelectionAndBeeps) {
    const MaskScenario& scenario = GetParam();
    MaskedEditRun run(scenario.mask);
    run.Show(scenario.before);
    run.window.modified = scenario.modifiedBefore;
    run.window.readOnly = scenario.readOnly;
    run.window.clipboard = scenario.clipboard ? std::optional<std::string>(scenario.clipboard) : std::nullopt;
    run.window.clipboardLocked = scenario.clipboardLocked;

    run.Type(scenario.keys);

    ExpectSelection(run, scenario.after);
    EXPECT_EQ(run.window.beeps, scenario.beeps);
    EXPECT_EQ(run.window.modified, scenario.modified);
    const auto clipboardAfter =
        scenario.clipboardAfter ? std::optional<std::string>(scenario.clipboardAfter) : std::nullopt;
    EXPECT_EQ(run.window.clipboard, clipboardAfter);
    EXPECT_EQ(run.enters, scenario.enters);
}

std::string TestNameOf(const ::testing::TestParamInfo<MaskScenario>& info) {
    return testsupport::ScenarioTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Typing, MaskScenarios, ::testing::ValuesIn(testsupport::kMaskScenarios), TestNameOf);

// A click leaves an empty selection, a drag a wider one; the direction of the drag decides which end the
// next arrow key takes as the moving one.
TEST_F(MaskKeyEngineTest, ButtonReleasePlacesTheCursorAndRemembersTheDragDirection) {
    const struct {
        std::string_view mask, afterClick;
        int downX, upX;
        std::string_view keys, expected;
    } cases[] = {
        {"00-00", "12-|34", 30, 30, "", "12-[3]4"},
        {"00-00", "1[2-3]4", 10, 40, "{Right}", "12-[3]4"},
        {"00-00", "1[2-3]4", 40, 10, "{Right}", "1[2]-34"},
        {"00-00", "1[2-3]4", 40, -10, "{Right}", "1[2]-34"},
        {"", "12-|34", 30, 30, "", "12-|34"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.afterClick) + " from " + std::to_string(c.downX) + " to " +
                     std::to_string(c.upX));
        MaskedEditRun run(c.mask);
        run.Show(c.afterClick);
        run.engine.ButtonDown(c.downX);
        run.engine.ButtonUp(c.upX);
        run.Type(c.keys);
        ExpectSelection(run, c.expected);
    }
}

// The edit window moves by words on Ctrl+Left and Ctrl+Right; the key up puts the cursor back on a character.
TEST_F(MaskKeyEngineTest, KeyUpOfAWordMovePlacesTheCursor) {
    const struct {
        std::uint16_t key;
        useredit::ShiftState shift;
        std::string_view expected;
    } cases[] = {{useredit::kVkRight, {.Ctrl = true}, "12-[3]4"},
                 {useredit::kVkLeft, {.Ctrl = true}, "12-[3]4"},
                 {useredit::kVkRight, {}, "12-|34"},
                 {useredit::kVkRight, {.Shift = true}, "12-|34"},
                 {useredit::kVkHome, {.Ctrl = true}, "12-|34"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        MaskedEditRun run("00-00");
        run.Show("12-|34");
        run.engine.KeyUp(c.key, c.shift);
        ExpectSelection(run, c.expected);
    }
}

TEST_F(MaskKeyEngineTest, DialogLeavesAllKeysToAModifiedMaskedInput) {
    const struct {
        std::string_view mask;
        bool modified, wantsAllKeys;
    } cases[] = {{"00", true, true}, {"00", false, false}, {"", true, false}};
    for (const auto& c : cases) {
        MaskedEditRun run(c.mask);
        run.window.modified = c.modified;
        EXPECT_EQ(run.engine.WantsAllKeys(), c.wantsAllKeys) << "mask \"" << c.mask << "\"";
    }
}

// Setting the text puts the caret at 0; when a literal stands there the cursor moves on to the input.
TEST_F(MaskKeyEngineTest, SettingTheTextPutsTheCursorOnTheFirstInputPosition) {
    const struct {
        std::string_view mask, text, expected;
    } cases[] = {{"(000)", "(123)", "([1]23)"},
                 {R"(\0\0-00)", "00-12", "00-[1]2"},
                 {"000", "123", "|123"},
                 {"", "(12)", "|(12)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        MaskedEditRun run(c.mask);
        run.window.SetText(c.text);
        ExpectSelection(run, c.expected);
    }
}

// While the focus is elsewhere the caret moves without a block and refused characters make no sound.
TEST_F(MaskKeyEngineTest, WithoutTheFocusNoBlockCursorAndNoBeep) {
    MaskedEditRun run("000");
    run.Show("[1]23");
    run.engine.FocusExit();
    run.Type("{Right}");
    ExpectSelection(run, "12|3");
    run.engine.HandleCharKey('x');
    EXPECT_EQ(run.window.beeps, 0);

    run.engine.FocusEnter([] {});
    ExpectSelection(run, "12[3]");
    run.engine.HandleCharKey('x');
    EXPECT_EQ(run.window.beeps, 1);
}

// An incomplete check run while the focus is on another control takes the focus back; that entry skips the
// validated edit's enter handling, the next one runs it again.
TEST_F(MaskKeyEngineTest, IncompleteCheckFromElsewhereSkipsOneEnterHandling) {
    MaskedEditRun run("00-00");
    run.Show("12-3[4]");
    run.window.text = "1_-34";
    run.window.modified = true;
    run.window.focused = false;
    run.engine.CheckMaskInput();
    EXPECT_TRUE(run.window.focused);
    EXPECT_EQ(run.enters, 0);
    EXPECT_EQ(run.window.checkErrorsRaised, 1);
    ExpectSelection(run, "1[_]-34");

    run.Type("{FocusOut}{FocusIn}");
    EXPECT_EQ(run.enters, 1);
}

// WM_CUT and WM_PASTE from outside the key handling (a context menu): a read-only masked edit cuts by copying
// only, and leaves the paste to the edit window, as does an edit without a mask.
TEST_F(MaskKeyEngineTest, CutAndPasteMessages) {
    const struct {
        std::string_view mask;
        bool readOnly, paste, handled;
        std::string_view expected, clipboardAfter;
        bool password = false;
    } cases[] = {{"00-00", false, false, true, "[_]_-34", "12"},
                 {"00-00", true, false, true, "[12]-34", "12"},
                 {"00-00", false, true, true, "9[_]-34", "9"},
                 {"00-00", true, true, false, "[12]-34", "9"},
                 {"", false, false, false, "[12]-34", "9"},
                 {"", false, true, false, "[12]-34", "9"},
                 // A password is not copied, and a cut that cannot copy deletes nothing.
                 {"00-00", false, false, true, "[12]-34", "9", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + (c.readOnly ? " read-only" : "") + (c.paste ? " paste" : " cut"));
        MaskedEditRun run(c.mask);
        run.Show("[12]-34");
        run.window.readOnly = c.readOnly;
        run.window.password = c.password;
        run.window.clipboard = "9";
        EXPECT_EQ(c.paste ? run.engine.Paste() : run.engine.Cut(), c.handled);
        ExpectSelection(run, c.expected);
        EXPECT_EQ(run.window.clipboard, std::string(c.clipboardAfter));
    }
}

// Without a mask every key and character goes on to the edit window.
TEST_F(MaskKeyEngineTest, WithoutAMaskKeysAndCharactersPassUnchanged) {
    MaskedEditRun run("");
    run.Show("[ab]c");
    for (const std::uint16_t key : {useredit::kVkLeft, useredit::kVkUp, useredit::kVkHome,
                                    useredit::kVkDelete, useredit::kVkBack, useredit::kVkInsert}) {
        std::uint16_t passed = key;
        run.engine.KeyDown(passed, {.Shift = true});
        EXPECT_EQ(passed, key);
    }
    for (const char c : {'x', useredit::kCharEnter, useredit::kCharCopy}) {
        char passed = c;
        run.engine.KeyPress(passed);
        EXPECT_EQ(passed, c);
    }
    run.engine.PlaceCursor(9);
    ExpectSelection(run, "abc|");
    run.engine.PlaceCursor(-2);
    ExpectSelection(run, "|abc");
}

}  // namespace
