// A host that stays up for many exports: private memory, windows and files after many mixed calls through the
// DLL, against a reference loop in the same process that does what any host does anyway (WinINet requests and
// a window per round), since Wine's own memory grows with each round by itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/PluginHost.h"

namespace {

// KALVENTO_SOAK_EXPORTS sets the number of rounds (scripts/test keeps it short; a long run takes 500).
int Rounds() {
    const char* value = std::getenv("KALVENTO_SOAK_EXPORTS");
    const int rounds = value != nullptr ? std::atoi(value) : 0;
    return rounds > 0 ? rounds : 50;
}

// Committed private memory, summed over the address space: Wine reports no PrivateUsage.
long long PrivateBytes() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         ::VirtualQuery(address, &region, sizeof region) == sizeof region && region.RegionSize > 0;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += static_cast<long long>(region.RegionSize);
        }
    }
    return total;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int ThreadWindows() {
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

std::string Credentials(const std::string& user, const std::string& password) {
    return "UserLogin=" + user + "\r\nPassword=" + password + "\r\n";
}

// One round of the plug-in: outcomes in turn, each checked.
void PluginRound(const testenv::PluginHost& plugin, const std::string& target, int round) {
    const double lastImport = 46022.0;
    switch (round % 5) {
        case 0:
            EXPECT_EQ(
                plugin.ExportXML(target.c_str(), 0, 0, &lastImport, Credentials("4711", "geheim").c_str()),
                IMPAPI_OK);
            break;
        case 1:
            EXPECT_EQ(
                plugin.ExportXML(target.c_str(), 0, 0, &lastImport, Credentials("4711", "falsch").c_str()),
                IMPAPI_SERVER_PASSWORD_WRONG);
            break;
        case 2:
            EXPECT_EQ(
                plugin.ExportXML(target.c_str(), 0, 0, &lastImport, Credentials("http404", "x").c_str()),
                IMPAPI_NOT_FOUND);
            break;
        case 3: {
            const testenv::WindowRobot user("TfrmDownloadProgress", testenv::ClickCancel);
            EXPECT_EQ(plugin.ExportXML(target.c_str(), 0, 0, &lastImport, Credentials("slow", "x").c_str()),
                      IMPAPI_CANCELLED);
            break;
        }
        default: {
            char number[IMPAPI_DIALOG_BUFFER_SIZE] = "4711";
            char password[IMPAPI_DIALOG_BUFFER_SIZE] = "geheim";
            const testenv::WindowRobot user("TdlgKalventoLogin", [](HWND dialog) {
                ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
            });
            EXPECT_EQ(plugin.ApiDataDialog(number, password, 0), IMPAPI_DIALOG_OK);
            break;
        }
    }
}

// One round of what a host does without the plug-in: a request over WinINet read to its end, and a window.
void ReferenceRound() {
    HINTERNET session = ::InternetOpenA("reference", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    const std::string url =
        testenv::ServerUrl("/export/export/export.php?usr=4711&pwd=geheim&type=0004&dateto=01.12.2026");
    HINTERNET request = ::InternetOpenUrlA(session, url.c_str(), nullptr, 0,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    char buffer[65536];
    DWORD got = 0;
    while (request != nullptr && ::InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    }
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
    HWND window = ::CreateWindowExA(0, "STATIC", "reference", WS_POPUP | WS_VISIBLE, 0, 0, 100, 30, nullptr,
                                    nullptr, nullptr, nullptr);
    testenv::PumpMessages();
    ::DestroyWindow(window);
    testenv::PumpMessages();
}

struct Growth {
    long long privateBytes;
    int windows;
};

template <typename Round>
Growth Measure(int rounds, Round round) {
    const long long bytesBefore = PrivateBytes();
    const int windowsBefore = ThreadWindows();
    for (int i = 0; i < rounds; ++i) {
        round(i);
    }
    return {PrivateBytes() - bytesBefore, ThreadWindows() - windowsBefore};
}

TEST(LongLivedHost, ManyMixedCallsGrowNoMoreThanAHostDoesAnyway) {
    const int rounds = Rounds();
    const testenv::PluginHost plugin;
    plugin.RegProgrCallback(testenv::RecordingCallback);
    const testenv::ScratchDirectory scratch;
    // One of each first: what is set up once (WinINet, window classes, fonts) is not growth.
    for (int i = 0; i < 5; ++i) {
        PluginRound(plugin, scratch.Path(), i);
        ReferenceRound();
    }
    const std::size_t filesBefore = scratch.Files().size();
    testenv::RecordedCalls().clear();

    const Growth reference = Measure(rounds, [](int) { ReferenceRound(); });
    const Growth plugged = Measure(rounds, [&](int i) {
        PluginRound(plugin, scratch.Path(), i);
        testenv::RecordedCalls().clear();
    });

    // Only export files are left (exports within one second share a name), no temporary file.
    for (const std::string& name : scratch.Files()) {
        EXPECT_TRUE(name.starts_with("kalvento_export_") && name.ends_with(".xml")) << name;
    }
    EXPECT_GE(scratch.Files().size(), filesBefore);
    EXPECT_EQ(plugged.windows, 0) << "no window of the plug-in outlives its call";
    const long long perRound = (plugged.privateBytes - reference.privateBytes) / rounds;
    std::printf("rounds %d: private bytes +%lld (plug-in) vs +%lld (reference), %lld per round beyond it\n",
                rounds, plugged.privateBytes, reference.privateBytes, perRound);
    RecordProperty("plugin_growth", std::to_string(plugged.privateBytes));
    RecordProperty("reference_growth", std::to_string(reference.privateBytes));
    // Noise: Wine's heaps grow in steps; a leak of one body (a few KiB per export) per round would show.
    EXPECT_LE(perRound, 16 * 1024) << "the plug-in grows beyond what a host grows anyway";
}

}  // namespace
