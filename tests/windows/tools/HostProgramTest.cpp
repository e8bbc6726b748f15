// The host program's dialog and edit commands as a script uses them: arguments in, lines and exit code out.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"

namespace {

using HostRun = testenv::ProgramRun;

// Runs impapi-host with `arguments` (already quoted).
HostRun RunHost(const std::string& arguments) {
    return testenv::RunProgram(KALVENTO_TEST_HOST_EXE, arguments);
}

struct WorkbenchCase {
    const char* arguments;
    const char* output;
};

TEST(EditWorkbench, PrintsWhatTheEditHoldsAfterTheKeys) {
    const WorkbenchCase cases[] = {
        {R"(edit --min b --max m --keys "z{ENTER}")",
         "text: z\nselection: 1 1\nmodified: 1\nbeeps: 1\nvalue: \n"
         "error: G\xC3\xBCltige Eingaben liegen im Bereich\\r\\rvon \"b\" bis \"m\"\n"},
        {R"(edit --text hallo --keys "{END}+{LEFT}x{TAB}")",
         "text: hallx\nselection: 0 0\nmodified: 0\nbeeps: 0\nvalue: hallx\n"},
        {R"(edit --text hallo --keys "{HOME}{DEL}")",
         "text: allo\nselection: 0 0\nmodified: 1\nbeeps: 0\nvalue: allo\n"},
        {R"(edit --text alt --keys "neu{ESC}")",
         "text: alt\nselection: 0 3\nmodified: 0\nbeeps: 0\nvalue: alt\n"},
        {R"(edit --password * --text abc --keys "{END}d")",
         "text: abcd\nselection: 4 4\nmodified: 1\nbeeps: 0\nvalue: abcd\n"},
        {R"(edit --text "a\b" --keys "{CLIP:x{y}{HOME}^v")",
         "text: x{ya\\\\b\nselection: 3 3\nmodified: 1\nbeeps: 0\nvalue: x{ya\\\\b\n"},
        {"edit --keys \"\xE4+a{+}{~}{{}{}}%()\"",
         "text: \xC3\xA4"
         "A+~{}%()\nselection: 9 9\nmodified: 1\nbeeps: 0\nvalue: \xC3\xA4"
         "A+~{}%()\n"},
        {R"(edit --mask 000-000 --keys "1-x")",
         "text: 1__-___\nselection: 4 5\nmodified: 1\nbeeps: 1\nvalue: 1__-___\n"},
        {R"(edit --mask 00-00 --text 1 --keys "{CLIP:2345}{HOME}{RIGHT}^v")",
         "text: 12-34\nselection: 5 5\nmodified: 1\nbeeps: 0\nvalue: 12-34\n"},
        // A menu's Delete command prints what the Delete key prints.
        {R"(edit --mask 000-000 --text 123-456 --keys "{HOME}{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}{DEL}")",
         "text: 1__-_56\nselection: 1 2\nmodified: 1\nbeeps: 0\nvalue: 1__-_56\n"},
        {R"(edit --mask 000-000 --text 123-456 --keys "{HOME}{RIGHT}+{RIGHT}+{RIGHT}+{RIGHT}{CLEAR}")",
         "text: 1__-_56\nselection: 1 2\nmodified: 1\nbeeps: 0\nvalue: 1__-_56\n"},
    };
    for (const WorkbenchCase& c : cases) {
        const HostRun run = RunHost(c.arguments);
        EXPECT_EQ(run.output, c.output) << c.arguments;
        EXPECT_EQ(run.exitCode, 0u) << c.arguments;
    }
}

TEST(EditWorkbench, UsageErrorsNameTheProblemAndExitWithTwo) {
    for (const char* arguments :
         {R"(edit --keys "{LEFT 3}")", R"(edit --keys "{left}")", R"(edit --keys "a{")",
          R"(edit --keys "a}")", R"(edit --keys "x+")", R"(edit --keys "^{CLIP:a}")",
          R"(edit --keys "+{CLEAR}")", "edit --password ab", "edit --bogus 1", "edit --text",
          "edit --mask 00 --min 1", "edit --max 9 --mask 00"}) {
        const HostRun run = RunHost(arguments);
        EXPECT_EQ(run.exitCode, 2u) << arguments;
        EXPECT_EQ(run.output, "") << arguments << ": nothing on standard output";
    }
}

TEST(DialogCommand, PrintsTheResultAndBothFields) {
    std::thread user([] {
        // The dialog lives in the child process: wait for it, then confirm it.
        for (int i = 0; i < 3000; ++i) {
            if (HWND dialog = ::FindWindowA("TdlgKalventoLogin", nullptr);
                dialog && ::IsWindowVisible(dialog)) {
                ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const HostRun run = RunHost("--dll \"" KALVENTO_TEST_LOCAL_DLL "\" dialog 4711 \"a\\b\"");
    user.join();
    EXPECT_EQ(run.output, "dialog result: 1\nuser: 4711\npassword: a\\\\b\n");
    EXPECT_EQ(run.exitCode, 0u);
}

}  // namespace
