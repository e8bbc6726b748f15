// Shared by the Windows tests: where the DLLs, the local export server and its request log are, a scratch
// directory per test, message pumping, and a thread that finds and clicks windows as a user would.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testenv {

// Paths arrive from the build as Z:/unix/path; Windows APIs get backslashes.
inline std::string WindowsPath(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

inline std::string LocalDll() {
    return WindowsPath(KALVENTO_TEST_LOCAL_DLL);
}
inline std::string ProductionDll() {
    return WindowsPath(KALVENTO_TEST_PRODUCTION_DLL);
}
// The 32-bit DLLs that ship, whichever tree runs the tests (a 64-bit test tree reads its sibling's files).
inline std::string ShippedProductionDll() {
    return WindowsPath(std::string(KALVENTO_TEST_SHIPPED_DIR) + "/bin/ImpApiKalvento.dll");
}
inline std::string ShippedLocalDll() {
    return WindowsPath(std::string(KALVENTO_TEST_SHIPPED_DIR) + "/local/ImpApiKalvento.dll");
}
inline constexpr int kServerPort = KALVENTO_TEST_PORT;
inline constexpr int kProxyPort = KALVENTO_TEST_PROXY_PORT;

inline std::string ServerUrl(const std::string& pathAndQuery) {
    return "https://localhost:" + std::to_string(kServerPort) + pathAndQuery;
}

inline std::string ExportUrl(const std::string& user, const std::string& type = "0004") {
    return ServerUrl("/export/export/export.php?usr=" + user + "&pwd=x&type=" + type +
                     (type == "0004" ? "&dateto=01.12.2026" : ""));
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The request lines the local export server logged since this object was made.
class RequestLog {
public:
    RequestLog() : start_(ReadFileBytes(Path()).size()) {}

    std::vector<std::string> NewLines() const {
        const std::string text = ReadFileBytes(Path()).substr(start_);
        std::vector<std::string> lines;
        std::size_t begin = 0;
        while (begin < text.size()) {
            std::size_t end = text.find('\n', begin);
            if (end == std::string::npos) {
                end = text.size();
            }
            std::string line = text.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
            begin = end + 1;
        }
        return lines;
    }

private:
    static std::string Path() { return WindowsPath(KALVENTO_TEST_SERVER_LOG); }
    std::size_t start_;
};

// A fresh directory for one test, removed with everything in it afterwards.
class ScratchDirectory {
public:
    ScratchDirectory() {
        static std::atomic<int> count{0};
        const std::string root = WindowsPath(KALVENTO_TEST_SCRATCH);
        ::CreateDirectoryA(root.c_str(), nullptr);
        path_ = root + "\\" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++count);
        if (!::CreateDirectoryA(path_.c_str(), nullptr)) {
            throw std::runtime_error("cannot create the scratch directory " + path_);
        }
    }
    ~ScratchDirectory() {
        for (const std::string& name : Files()) {
            ::DeleteFileA((path_ + "\\" + name).c_str());
        }
        for (const std::string& name : Entries(FILE_ATTRIBUTE_DIRECTORY)) {
            ::RemoveDirectoryA((path_ + "\\" + name).c_str());
        }
        ::RemoveDirectoryA(path_.c_str());
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }
    std::set<std::string> Files() const { return Entries(0); }

private:
    // Names of the files (kind 0) or of the directories (FILE_ATTRIBUTE_DIRECTORY) in this directory.
    std::set<std::string> Entries(DWORD kind) const {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == kind && name != "." &&
                    name != "..") {
                    names.insert(name);
                }
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        return names;
    }

public:
private:
    std::string path_;
};

// Dispatches what is queued for this thread, as a host does while it handles a progress pulse.
inline void PumpMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

// The size of a window's caption drawn in the window's own font.
inline SIZE CaptionExtent(HWND window) {
    char text[256] = {};
    const int length = ::GetWindowTextA(window, text, sizeof text);
    HDC dc = ::GetDC(window);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, length, &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return extent;
}

struct WindowSearch {
    const char* className;
    HWND found;
};

inline BOOL CALLBACK MatchOwnWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
        std::string(name) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this process with the given class, or null.
inline HWND FindOwnWindow(const char* className) {
    WindowSearch search{className, nullptr};
    ::EnumWindows(MatchOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits on its own thread for a window of this process (or, with `anyProcess`, of any process) to appear,
// then acts on it, as a user would.
class WindowRobot {
public:
    WindowRobot(const char* className, std::function<void(HWND)> action, bool anyProcess = false)
        : thread_([this, className, action = std::move(action), anyProcess] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
              while (!stop_ && std::chrono::steady_clock::now() < deadline) {
                  HWND window = anyProcess ? ::FindWindowA(className, nullptr) : FindOwnWindow(className);
                  // A window is acted on once it shows: then its controls exist.
                  if (window != nullptr && ::IsWindowVisible(window)) {
                      action(window);
                      ++actions_;
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~WindowRobot() {
        stop_ = true;
        thread_.join();
    }
    WindowRobot(const WindowRobot&) = delete;
    WindowRobot& operator=(const WindowRobot&) = delete;

    int Actions() const { return actions_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> actions_{0};
    std::thread thread_;
};

// Test names from the scenario (the user number) a case asks the local export server for.
template <typename Case>
std::string ScenarioName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.user;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

// Presses the cancel button of the download progress window.
inline void ClickCancel(HWND progressWindow) {
    HWND button = ::FindWindowExA(progressWindow, nullptr, "BUTTON", "Download abbrechen");
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

// Routes WinINet's preconfigured access through the local server's authenticating proxy for one test, and
// puts back what the prefix had before.
class ProxyConfiguration {
public:
    ProxyConfiguration() {
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot open the internet settings");
        }
        enable_ = Read("ProxyEnable");
        server_ = Read("ProxyServer");
        const DWORD enable = 1;
        const std::string server = "localhost:" + std::to_string(kProxyPort);
        Write("ProxyEnable", {REG_DWORD, std::string(reinterpret_cast<const char*>(&enable), sizeof enable)});
        Write("ProxyServer", {REG_SZ, server + '\0'});
    }
    ~ProxyConfiguration() {
        Restore("ProxyEnable", enable_);
        Restore("ProxyServer", server_);
        ::RegCloseKey(key_);
    }
    ProxyConfiguration(const ProxyConfiguration&) = delete;
    ProxyConfiguration& operator=(const ProxyConfiguration&) = delete;

private:
    struct Value {
        DWORD type = REG_NONE;  // REG_NONE: the value did not exist
        std::string data;
    };

    Value Read(const char* name) const {
        Value value;
        char data[512];
        DWORD size = sizeof data;
        if (::RegQueryValueExA(key_, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS) {
            value.data.assign(data, size);
        } else {
            value.type = REG_NONE;
        }
        return value;
    }
    void Write(const char* name, const Value& value) const {
        if (::RegSetValueExA(key_, name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                             static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS) {
            throw std::runtime_error(std::string("cannot set ") + name);
        }
    }
    void Restore(const char* name, const Value& value) const noexcept {
        if (value.type == REG_NONE) {
            ::RegDeleteValueA(key_, name);
        } else {
            ::RegSetValueExA(key_, name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                             static_cast<DWORD>(value.data.size()));
        }
    }

    static constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    HKEY key_ = nullptr;
    Value enable_;
    Value server_;
};

// Answers the proxy-authentication dialog with the local proxy's credentials.
inline void EnterProxyCredentials(HWND dialog) {
    HWND user = ::FindWindowExA(dialog, nullptr, "Edit", nullptr);
    HWND password = ::FindWindowExA(dialog, user, "Edit", nullptr);
    ::SendMessageA(user, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("proxyuser"));
    ::SendMessageA(password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("proxypass"));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

inline void DismissDialog(HWND dialog) {
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace testenv
