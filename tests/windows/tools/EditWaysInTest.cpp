// The edits reached the ways other programs, menus and tools reach them (messages the control did not send,
// keys the native edit acts on by itself), through the workbench: a masked text holds only what typing or a
// paste could put there, the window shows the stored value after leaving, and a password stays in its edit.
#include <gtest/gtest.h>

#include <string>

#include "support/ChildProcess.h"

namespace {

struct WaysInCase {
    const char* arguments;  // after "edit", already quoted
    const char* output;     // every line the workbench prints
};

template <std::size_t N>
void ExpectWorkbench(const WaysInCase (&cases)[N]) {
    for (const WaysInCase& c : cases) {
        const testenv::ProgramRun run =
            testenv::RunProgram(KALVENTO_TEST_HOST_EXE, std::string("edit ") + c.arguments);
        EXPECT_EQ(run.output, c.output) << c.arguments;
        EXPECT_EQ(run.exitCode, 0u) << c.arguments;
    }
}

// Every row first puts "marker" on the clipboard: a password that got out would replace it.
TEST(EditWaysIn, APasswordNeverReachesTheClipboard) {
    const WaysInCase cases[] = {
        // Ctrl+Insert copies nothing; the paste after it brings the marker.
        {R"(--password * --text secret --print-clipboard --keys "{CLIP:marker}{HOME}+{END}^{INS}{END}^v")",
         "text: secretmarker\nselection: 12 12\nmodified: 1\nbeeps: 0\nvalue: secretmarker\nclipboard: marker\n"},
        // Shift+Delete would cut: a refused copy deletes nothing.
        {R"(--password * --text secret --print-clipboard --keys "{CLIP:marker}{HOME}+{END}+{DEL}^x^c{COPY}{CUT}")",
         "text: secret\nselection: 0 6\nmodified: 0\nbeeps: 0\nvalue: secret\nclipboard: marker\n"},
        // Without a selection Shift+Delete deletes the character before the caret, as it does elsewhere.
        {R"(--password * --text secret --print-clipboard --keys "{CLIP:marker}{END}+{DEL}")",
         "text: secre\nselection: 5 5\nmodified: 1\nbeeps: 0\nvalue: secre\nclipboard: marker\n"},
        {R"(--mask 0000 --password * --text 1234 --print-clipboard --keys "{CLIP:marker}{HOME}+{END}^{INS}^x{CUT}")",
         "text: 1234\nselection: 0 4\nmodified: 0\nbeeps: 0\nvalue: 1234\nclipboard: marker\n"},
        // In a masked edit Shift+Delete is the Delete key: blanks, and nothing on the clipboard.
        {R"(--mask 0000 --password * --text 1234 --print-clipboard --keys "{CLIP:marker}{HOME}+{END}+{DEL}")",
         "text: ____\nselection: 0 1\nmodified: 1\nbeeps: 0\nvalue: ____\nclipboard: marker\n"},
        // Without a password character the same keys copy: the rows above would see a leak.
        {R"(--text secret --print-clipboard --keys "{CLIP:marker}{HOME}+{END}^{INS}")",
         "text: secret\nselection: 0 6\nmodified: 0\nbeeps: 0\nvalue: secret\nclipboard: secret\n"},
    };
    ExpectWorkbench(cases);
}

TEST(EditWaysIn, AReplacementFromOutsideIsAMaskedPaste) {
    const WaysInCase cases[] = {
        {R"(--mask 000-000 --text 123-456 --keys "{HOME}{REPLACESEL:99}{TAB}")",
         "text: 993-456\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: 993-456\n"},
        // Letters do not fit digit positions; nothing goes in behind the mask.
        {R"(--mask 000-000 --text 123-456 --keys "{HOME}{REPLACESEL:ab}")",
         "text: __3-456\nselection: 2 3\nmodified: 1\nbeeps: 0\nvalue: __3-456\n"},
        {R"(--mask 000-000 --text 123-456 --keys "{END}{REPLACESEL:1}")",
         "text: 123-456\nselection: 7 7\nmodified: 0\nbeeps: 0\nvalue: 123-456\n"},
        {R"(--mask 00/00/0000 --text 01/02/2026 --keys "{HOME}{REPLACESEL:3112}")",
         "text: 31/12/2026\nselection: 5 6\nmodified: 1\nbeeps: 0\nvalue: 31/12/2026\n"},
    };
    ExpectWorkbench(cases);
}

TEST(EditWaysIn, ATextSetFromOutsideIsAnEditInProgress) {
    const WaysInCase cases[] = {
        // Fitted as the value setter fits a text, then stored on leaving like typed text.
        {R"(--mask 000-000 --text 123-456 --keys "{SETTEXT:abc}5{TAB}")",
         "text: 5__-___\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: 5__-___\n"},
        {R"(--mask 000-000 --text 123-456 --keys "{SETTEXT:987-654}{TAB}")",
         "text: 987-654\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: 987-654\n"},
        {R"(--mask 000-000 --text 123-456 --keys "{SETTEXT:987654}")",
         "text: 987-54_\nselection: 0 0\nmodified: 1\nbeeps: 0\nvalue: 987-54_\n"},
        // The bounded edit checks it: the message, and the old value kept.
        {R"(--min b --max m --text c --keys "{SETTEXT:z}{TAB}")",
         "text: z\nselection: 0 0\nmodified: 1\nbeeps: 1\nvalue: c\n"
         "error: G\xC3\xBCltige Eingaben liegen im Bereich\\r\\rvon \"b\" bis \"m\"\n"},
        {R"(--min b --max m --text c --keys "{SETTEXT:d}{ENTER}")",
         "text: d\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: d\n"},
        {R"(--text alt --keys "{SETTEXT:neu}{ESC}")",
         "text: alt\nselection: 0 3\nmodified: 0\nbeeps: 0\nvalue: alt\n"},
    };
    ExpectWorkbench(cases);
}

TEST(EditWaysIn, ALimitBelowTheMaskNeverChangesItsLength) {
    const WaysInCase cases[] = {
        {R"(--mask 000-000 --text 123-456 --keys "{LIMIT:3}{HOME}9{DEL}{TAB}")",
         "text: 9_3-456\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: 9_3-456\n"},
        {R"(--mask 000-000 --text 123-456 --keys "{LIMIT:3}{HOME}{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}{CLEAR}")",
         "text: 1__-__6\nselection: 1 2\nmodified: 1\nbeeps: 0\nvalue: 1__-__6\n"},
        {R"(--mask 000-000 --text 123-456 --print-clipboard --keys "{LIMIT:3}{HOME}{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}{CUT}")",
         "text: 1__-__6\nselection: 1 2\nmodified: 1\nbeeps: 0\nvalue: 1__-__6\nclipboard: 23-45\n"},
        {R"(--mask 000-000 --text 123-456 --keys "{LIMIT:1}{CLIP:98765}{HOME}^v{BS}")",
         "text: 987-6_6\nselection: 5 6\nmodified: 1\nbeeps: 0\nvalue: 987-6_6\n"},
    };
    ExpectWorkbench(cases);
}

TEST(EditWaysIn, APasteTakesNoControlCharacter) {
    const WaysInCase cases[] = {
        {"--mask CCCCC --keys \"{CLIP:x\ty}{HOME}^v{TAB}\"",
         "text: x_y__\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: x_y__\n"},
        {"--mask CCCCC --keys \"{CLIP:x\r\ny}{HOME}^v{TAB}\"",
         "text: x__y_\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: x__y_\n"},
        {"--mask CCCCC --keys \"{HOME}{REPLACESEL:a\tb}{TAB}\"",
         "text: a_b__\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: a_b__\n"},
    };
    ExpectWorkbench(cases);
}

}  // namespace
