// Every way an export can go wrong that a host or a server can cause, through the DLL against the local
// server: the documented code, no export or temporary file left behind unless the export succeeded, no window
// left, and the application-starting cursor at the end. The table goes to the tree's fault-matrix.txt, which
// scripts/test prints.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/PluginHost.h"

namespace {

constexpr double kLastImport = 46022.0;

// The target of a case: a fresh scratch directory, or one of the faulty ones.
enum class Target { Scratch, Missing, File, TooLong };

struct FaultCase {
    const char* name;
    const char* dll;  // which build: short time-outs, the closed port, or the local one
    std::string credentials;
    std::int32_t code;
    Target target = Target::Scratch;
    const char* before = nullptr;  // a one-shot switch of the server to arm first
    bool nullDate = false;
    bool file = false;  // the answer is kept: a success, or a server error the user may look up in the file
};

std::string Credentials(const std::string& user, const std::string& password = "x") {
    return "UserLogin=" + user + "\r\nPassword=" + password + "\r\n";
}

std::string EveryByteButNul() {
    std::string text;
    for (int byte = 1; byte < 256; ++byte) {
        text += static_cast<char>(byte);
    }
    return text;
}

void ArmServer(const char* control) {
    HINTERNET session = ::InternetOpenA("fault-matrix", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET request = ::InternetOpenUrlA(session, testenv::ServerUrl(control).c_str(), nullptr, 0,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
}

bool AppStartingCursor() {
    return ::GetCursor() == ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32650));  // IDC_APPSTARTING
}

TEST(FaultMatrix, EachFaultEndsWithItsCodeAndLeavesNothingBehind) {
    const char* faults = KALVENTO_TEST_FAULTS_DLL;
    const char* closed = KALVENTO_TEST_CLOSED_DLL;
    const char* local = KALVENTO_TEST_LOCAL_DLL;
    const std::vector<FaultCase> cases = {
        {"connection refused", closed, Credentials("4711"), IMPAPI_URL_FAILED},
        {"TLS done, no HTTP answer", faults, Credentials("hang"), IMPAPI_URL_FAILED},
        {"body stalls", faults, Credentials("body-stall"), IMPAPI_INCOMPLETE},
        {"closed in the headers", faults, Credentials("head-cut"), IMPAPI_INCOMPLETE},
        {"closed in the body", faults, Credentials("short"), IMPAPI_INCOMPLETE},
        // Wine's WinINet reads an answer without a status line as HTTP/0.9: status 200, all of it the body.
        {"garbage status line (Wine)", faults, Credentials("badstatus"), IMPAPI_OK, Target::Scratch, nullptr,
         false, true},
        {"non-numeric length", faults, Credentials("badlength"), IMPAPI_OK, Target::Scratch, nullptr, false,
         true},
        {"negative length", faults, Credentials("neglength"), IMPAPI_OK, Target::Scratch, nullptr, false,
         true},
        {"10 MiB of headers", faults, Credentials("bighead"), IMPAPI_OK, Target::Scratch, nullptr, false,
         true},
        {"certificate for another host", faults, Credentials("4711"), IMPAPI_URL_FAILED, Target::Scratch,
         "/control?wronghost=1"},
        {"expired certificate", faults, Credentials("4711"), IMPAPI_URL_FAILED, Target::Scratch,
         "/control?expired=1"},
        {"target missing", local, Credentials("4711"), IMPAPI_EXPORT_FILE_NOT_WRITTEN, Target::Missing},
        {"target is a file", local, Credentials("4711"), IMPAPI_EXPORT_FILE_NOT_WRITTEN, Target::File},
        {"target too long", local, Credentials("4711"), IMPAPI_EXPORT_FILE_NOT_WRITTEN, Target::TooLong},
        // A request line of 200 KiB is more than the server takes: it answers 414.
        {"credentials of 100 KiB", local, Credentials(std::string(100 * 1024, 'u')), IMPAPI_HTTP_FAILED},
        {"credentials of every byte", local, Credentials(EveryByteButNul(), EveryByteButNul()),
         IMPAPI_SERVER_USER_UNKNOWN, Target::Scratch, nullptr, false, true},
        {"no credentials", local, "", IMPAPI_CREDENTIALS_MISSING},
        {"no date", local, Credentials("4711"), IMPAPI_INVALID_CALL, Target::Scratch, nullptr, true},
    };
    std::string table = "case                            code    file left  windows left  app cursor\n";
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before != nullptr) {
            ArmServer(c.before);
        }
        const testenv::ScratchDirectory scratch;
        std::string target = scratch.Path();
        std::vector<std::string> created;
        if (c.target == Target::Missing) {
            target += "\\missing";
        } else if (c.target == Target::File) {
            target += "\\file";
            ::CloseHandle(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        } else if (c.target == Target::TooLong) {
            while (target.size() < MAX_PATH - 30) {
                target += "\\" + std::string(std::min<std::size_t>(40, MAX_PATH - 30 - target.size()), 'd');
                ::CreateDirectoryA(target.c_str(), nullptr);
                created.push_back(target);
            }
        }
        const testenv::PluginHost plugin(c.dll);
        plugin.RegProgrCallback(testenv::RecordingCallback);
        const testenv::RequestLog log;
        const std::int32_t code = plugin.ExportXML(target.c_str(), 0, 0, c.nullDate ? nullptr : &kLastImport,
                                                   c.credentials.empty() ? nullptr : c.credentials.c_str());
        std::size_t files = scratch.Files().size();
        if (c.target == Target::File) {
            --files;  // the file that stood in for the directory
        }
        const bool window = testenv::FindOwnWindow("TfrmDownloadProgress") != nullptr;
        const bool cursor = AppStartingCursor();
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            ::RemoveDirectoryA(it->c_str());
        }
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(files, c.file ? 1u : 0u)
            << "the export file only where the answer is kept, no temporary one";
        EXPECT_FALSE(window);
        if (c.target == Target::Scratch && !c.nullDate && !c.credentials.empty()) {
            EXPECT_TRUE(cursor) << "every download ends with the application-starting cursor";
        } else {
            EXPECT_TRUE(log.NewLines().empty()) << "refused before any request";
        }
        char line[160];
        std::snprintf(line, sizeof line, "%-31s %-7d %-10s %-13s %s\n", c.name, code,
                      files > 0 ? "yes" : "no", window ? "yes" : "no", cursor ? "yes" : "-");
        table += line;
    }
    if (FILE* file = std::fopen(testenv::WindowsPath(KALVENTO_TEST_FAULT_MATRIX).c_str(), "wb")) {
        std::fputs(table.c_str(), file);
        std::fclose(file);
    }
    std::fputs(table.c_str(), stdout);
}

}  // namespace
