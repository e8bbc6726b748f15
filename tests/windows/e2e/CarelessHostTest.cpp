// Hosts that do what the contract does not forbid: an export nested in the callback, a second thread calling
// while one export runs, long target paths, a read-only file where the export goes; and what stays behind
// between calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/PluginHost.h"

namespace {

using testenv::PluginHost;

constexpr double kLastImport = 46022.0;

std::string Credentials(const std::string& user) {
    return "UserLogin=" + user + "\r\nPassword=geheim\r\n";
}

// What the callback below does at the first progress pulse of the outer export, and what it saw.
struct NestedCall {
    const PluginHost* plugin = nullptr;
    std::string target;
    bool done = false;
    bool fromSecondThread = false;
    std::int32_t result = 0;
    bool outerWindowSurvived = false;
} nested;

void __stdcall CallAgainAtTheFirstPulse(std::int32_t code, std::int32_t subCode, const char*) {
    testenv::PumpMessages();  // as a host does, so the plug-in's windows stay alive
    if (code != IMPAPI_PROGRESS || subCode != IMPAPI_PROGRESS_PULSE || nested.done) {
        return;
    }
    nested.done = true;
    HWND outerWindow = testenv::FindOwnWindow("TfrmDownloadProgress");
    const auto call = [] {
        return nested.plugin->ExportXML(nested.target.c_str(), 0, 0, &kLastImport,
                                        Credentials("4711").c_str());
    };
    if (nested.fromSecondThread) {
        std::thread other([&] { nested.result = call(); });
        other.join();
    } else {
        nested.result = call();
    }
    nested.outerWindowSurvived = outerWindow != nullptr && ::IsWindowVisible(outerWindow);
    if (nested.fromSecondThread) {
        testenv::ClickCancel(outerWindow);  // the outer export is a slow one
    }
}

TEST(CarelessHost, AnExportNestedInTheCallbackLeavesTheOuterProgressWindowAlone) {
    const PluginHost plugin;
    const testenv::ScratchDirectory outer;
    const testenv::ScratchDirectory inner;
    nested = {&plugin, inner.Path()};
    plugin.RegProgrCallback(CallAgainAtTheFirstPulse);
    const std::int32_t result =
        plugin.ExportXML(outer.Path().c_str(), 0, 0, &kLastImport, Credentials("4711").c_str());
    ASSERT_TRUE(nested.done);
    EXPECT_EQ(nested.result, IMPAPI_OK);
    EXPECT_TRUE(nested.outerWindowSurvived) << "the nested call hid only what it showed, which is nothing";
    EXPECT_EQ(result, IMPAPI_OK);
    EXPECT_EQ(inner.Files().size(), 1u);
    EXPECT_EQ(outer.Files().size(), 1u);
    EXPECT_EQ(testenv::FindOwnWindow("TfrmDownloadProgress"), nullptr);
}

TEST(CarelessHost, ASecondThreadIsRefusedAtOnceWhileAnExportRuns) {
    const PluginHost plugin;
    const testenv::ScratchDirectory outer;
    const testenv::ScratchDirectory inner;
    nested = {&plugin, inner.Path()};
    nested.fromSecondThread = true;
    plugin.RegProgrCallback(CallAgainAtTheFirstPulse);
    const testenv::RequestLog log;
    const std::int32_t result =
        plugin.ExportXML(outer.Path().c_str(), 0, 0, &kLastImport, Credentials("slow").c_str());
    EXPECT_EQ(nested.result, IMPAPI_UNDETERMINED);
    EXPECT_EQ(result, IMPAPI_CANCELLED);
    for (const std::string& request : log.NewLines()) {
        EXPECT_EQ(request.find("usr=4711"), std::string::npos)
            << "the refused call sent nothing: " << request;
    }
    EXPECT_TRUE(inner.Files().empty());
}

bool Registered(const PluginHost& plugin, const char* className) {
    WNDCLASSEXA found{};
    found.cbSize = sizeof found;
    return ::GetClassInfoExA(plugin.Module(), className, &found) != FALSE;
}

TEST(CarelessHost, NoWindowClassOfThePluginStaysRegisteredBetweenCalls) {
    const PluginHost plugin;
    const testenv::ScratchDirectory target;
    ASSERT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, &kLastImport, Credentials("4711").c_str()),
              IMPAPI_OK);
    EXPECT_FALSE(Registered(plugin, "TfrmDownloadProgress"));
    char user[IMPAPI_DIALOG_BUFFER_SIZE] = "4711";
    char password[IMPAPI_DIALOG_BUFFER_SIZE] = "geheim";
    {
        const testenv::WindowRobot robot("TdlgKalventoLogin",
                                         [](HWND dialog) { ::PostMessageA(dialog, WM_CLOSE, 0, 0); });
        EXPECT_EQ(plugin.ApiDataDialog(user, password, 0), IMPAPI_DIALOG_CANCELLED);
    }
    EXPECT_FALSE(Registered(plugin, "TdlgKalventoLogin"));
    // The classes come back with the next call that needs them.
    ASSERT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, &kLastImport, Credentials("4711").c_str()),
              IMPAPI_OK);
}

TEST(CarelessHost, ATargetWhoseExportNameWouldNotFitThePathLimitIsRefusedBeforeAnyRequest) {
    const testenv::ScratchDirectory scratch;
    // Deep enough that a probe's short name fits and "\kalvento_export_yymmdd_hhnnss.xml" does not.
    std::string directory = scratch.Path();
    std::vector<std::string> created;
    while (directory.size() < MAX_PATH - 30) {
        directory += "\\" + std::string(std::min<std::size_t>(40, MAX_PATH - 30 - directory.size()), 'd');
        ASSERT_TRUE(::CreateDirectoryA(directory.c_str(), nullptr)) << directory;
        created.push_back(directory);
    }
    const struct RemoveAtEnd {
        std::vector<std::string>& directories;
        ~RemoveAtEnd() {
            for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
                ::RemoveDirectoryA(it->c_str());
            }
        }
    } removeAtEnd{created};
    ASSERT_LT(directory.size() + 13, static_cast<std::size_t>(MAX_PATH)) << "the probe's name fits";
    const PluginHost plugin;
    const testenv::RequestLog log;
    EXPECT_EQ(plugin.ExportXML(directory.c_str(), 0, 0, &kLastImport, Credentials("4711").c_str()),
              IMPAPI_EXPORT_FILE_NOT_WRITTEN);
    EXPECT_TRUE(log.NewLines().empty());
}

// The names an export could take from now on for a few seconds, in the export's own form.
std::vector<std::string> ExportNamesFromNow(int seconds) {
    std::vector<std::string> names;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    for (int i = 0; i < seconds; ++i) {
        const FILETIME at{static_cast<DWORD>(ticks.QuadPart), static_cast<DWORD>(ticks.QuadPart >> 32)};
        FILETIME local{};
        SYSTEMTIME time{};
        ::FileTimeToLocalFileTime(&at, &local);
        ::FileTimeToSystemTime(&local, &time);
        char name[64];
        std::snprintf(name, sizeof name, "kalvento_export_%02d%02d%02d_%02d%02d%02d.xml", time.wYear % 100,
                      time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
        names.push_back(name);
        ticks.QuadPart += 10'000'000;
    }
    return names;
}

TEST(CarelessHost, AReadOnlyFileOfTheExportNameIsReplaced) {
    const testenv::ScratchDirectory target;
    for (const std::string& name : ExportNamesFromNow(10)) {
        const std::string path = target.Path() + "\\" + name;
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_READONLY, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, "old", 3, &written, nullptr);
        ::CloseHandle(file);
    }
    const PluginHost plugin;
    ASSERT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, &kLastImport, Credentials("4711").c_str()),
              IMPAPI_OK);
    int replaced = 0;
    for (const std::string& name : target.Files()) {
        const std::string path = target.Path() + "\\" + name;
        if (testenv::ReadFileBytes(path) != "old") {
            ++replaced;
        }
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the scratch directory can go
    }
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(target.Files().size(), 10u) << "nothing but the ten names";
}

}  // namespace
