// impapi-host: a console program that plays the host application: it loads the plug-in, registers a status
// callback and calls the exports as a host does, printing what comes back.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "include/ImpApiKalvento.h"
#include "tools/impapi-host/EditWorkbench.h"
#include "tools/impapi-host/KeyScript.h"

namespace {

constexpr std::int32_t kHostVersion = IMPAPI_LOWEST_HOST_VERSION;

enum ExitCode : int { kExitOk = 0, kExitPluginFailure = 1, kExitUsage = 2, kExitNoPlugin = 3 };

constexpr char kUsage[] =
    "usage: impapi-host [--dll PATH] [--host-version N] COMMAND [ARGS]\n"
    "\n"
    "Loads ImpApiKalvento.dll from this program's folder (or the one --dll names) as a host application does.\n"
    "\n"
    "commands:\n"
    "  info                                 interface and version information of the plug-in\n"
    "  export DIR USER PASSWORD [DATE|none] [--no-callback]\n"
    "                                       one import into DIR. DATE (dd.mm.yyyy), the date of the last\n"
    "                                       import: a delta import, sent as dateto=dd.mm.yyyy; none (the\n"
    "                                       default): an initial import, the complete history\n"
    "  message CODE                         the plug-in's text for a result code\n"
    "  dialog [USER [PASSWORD]]             the credentials dialog, its fields filled with USER and PASSWORD\n"
    "  edit [--mask MASK] [--text TEXT] [--min A] [--max B] [--password C] [--keys KEYS]\n"
    "       [--print-clipboard]\n"
    "                                       the edit workbench (loads no plug-in): a text edit, typed into\n"
    "                                       by hand or by KEYS, and what it holds afterwards\n"
    "\n"
    "exit codes: 0 success, 1 the plug-in reported a failure or has no text, 2 usage, 3 plug-in not loadable\n"
    "            or host version refused\n";

int statusLines = 0;
int progressPulses = 0;

// Windows-1252 from the plug-in as UTF-8 for the terminal.
std::string ToUtf8(const char* ansi) {
    const int wideLength = ::MultiByteToWideChar(1252, 0, ansi, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(1252, 0, ansi, -1, wide.data(), wideLength);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// Keeps the plug-in's windows alive: a host dispatches its messages while it handles a callback. A quit (the
// host closing) is posted again for the host's own loop after the export, and ends this loop, where it would
// otherwise be the next message again.
void PumpMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void IMPAPI_CALL OnStatus(std::int32_t code, std::int32_t subCode, const char* text) {
    if (code == IMPAPI_PROGRESS && subCode == IMPAPI_PROGRESS_PULSE) {
        ++progressPulses;
    } else {
        ++statusLines;
        std::printf("status %d/%d: %s\n", code, subCode, ToUtf8(text != nullptr ? text : "").c_str());
        std::fflush(stdout);
    }
    PumpMessages();
}

// The plug-in's seven exports, resolved once after loading.
struct Plugin {
    RegProgrCallbackFn RegProgrCallback = nullptr;
    GetExportErrorMsgFn GetExportErrorMsg = nullptr;
    ExportXMLFn ExportXML = nullptr;
    ImportVersionInfoFn ImportVersionInfo = nullptr;
    VersionInfoFn VersionInfo = nullptr;
    ApiDataDialogFn ApiDataDialog = nullptr;
    AppVersionCheckFn AppVersionCheck = nullptr;
};

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& function) {
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (function == nullptr) {
        std::fprintf(stderr, "impapi-host: the plug-in has no export %s\n", name);
    }
    return function != nullptr;
}

bool ResolveAll(HMODULE module, Plugin& plugin) {
    return Resolve(module, "RegProgrCallback", plugin.RegProgrCallback) &&
           Resolve(module, "GetExportErrorMsg", plugin.GetExportErrorMsg) &&
           Resolve(module, "ExportXML", plugin.ExportXML) &&
           Resolve(module, "ImportVersionInfo", plugin.ImportVersionInfo) &&
           Resolve(module, "VersionInfo", plugin.VersionInfo) &&
           Resolve(module, "ApiDataDialog", plugin.ApiDataDialog) &&
           Resolve(module, "AppVersionCheck", plugin.AppVersionCheck);
}

// The plug-in beside this program, unless a path was given.
std::string DefaultPluginPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "ImpApiKalvento.dll";
}

// dd.mm.yyyy (exactly) as days since 30 December 1899.
bool ParseDate(const std::string& text, double& value) {
    const auto digits = [&](std::size_t from, std::size_t count) {
        int number = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return -1;
            }
            number = number * 10 + (text[i] - '0');
        }
        return number;
    };
    if (text.size() != 10 || text[2] != '.' || text[5] != '.') {
        return false;
    }
    const int day = digits(0, 2);
    const int month = digits(3, 2);
    const int year = digits(6, 4);
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
        (month == 2 && day == 29 && !leap)) {
        return false;
    }
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long unixDays = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    value = static_cast<double>(unixDays + 25569);
    return true;
}

std::set<std::string> ExportFiles(const std::string& directory) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((directory + "\\kalvento_export_*.xml").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.insert(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    return names;
}

void PrintMessage(const Plugin& plugin, std::int32_t code) {
    char text[1024] = {};
    if (plugin.GetExportErrorMsg(code, text) == 0) {
        std::printf("message:\n%s\n", ToUtf8(text).c_str());
    }
}

int RunInfo(const Plugin& plugin) {
    unsigned char version[IMPAPI_VERSION_BUFFER_SIZE] = {};
    plugin.ImportVersionInfo(version);
    std::printf("interface version: %d\n", plugin.VersionInfo());
    std::printf("plug-in version: %.*s\n", version[0], reinterpret_cast<const char*>(version + 1));
    return kExitOk;
}

int RunExport(const Plugin& plugin, const std::vector<std::string>& args) {
    bool callback = true;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--no-callback") {
            callback = false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 3 || positional.size() > 4) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    double lastImport = 0.0;
    if (positional.size() == 4 && positional[3] != "none" && !ParseDate(positional[3], lastImport)) {
        std::fprintf(stderr, "impapi-host: not a date (dd.mm.yyyy): %s\n", positional[3].c_str());
        return kExitUsage;
    }
    const std::string& directory = positional[0];
    const std::string credentials = "UserLogin=" + positional[1] + "\r\nPassword=" + positional[2] + "\r\n";

    plugin.RegProgrCallback(callback ? OnStatus : nullptr);
    const std::set<std::string> before = ExportFiles(directory);
    const std::int32_t result = plugin.ExportXML(directory.c_str(), 0, 0, &lastImport, credentials.c_str());
    std::printf("result: %d\n", result);
    std::printf("status lines: %d, progress pulses: %d\n", statusLines, progressPulses);
    for (const std::string& name : ExportFiles(directory)) {
        if (before.count(name) == 0) {
            std::printf("file written: %s\n", name.c_str());
        }
    }
    if (result != 0) {
        PrintMessage(plugin, result);
    }
    return result == IMPAPI_OK ? kExitOk : kExitPluginFailure;
}

int RunMessage(const Plugin& plugin, const std::vector<std::string>& args) {
    char* end = nullptr;
    const long code = args.size() == 1 ? std::strtol(args[0].c_str(), &end, 10) : 0;
    if (args.size() != 1 || end == args[0].c_str() || *end != '\0') {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    char text[1024] = {};
    if (plugin.GetExportErrorMsg(static_cast<std::int32_t>(code), text) != 0) {
        std::printf("no text for %ld\n", code);
        return kExitPluginFailure;
    }
    std::printf("%s\n", ToUtf8(text).c_str());
    return kExitOk;
}

// A buffer of at least 128 bytes, as a host hands it over, holding `text`.
std::vector<char> DialogBuffer(const std::string& text) {
    std::vector<char> buffer(std::max<std::size_t>(128, text.size() + 1), '\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

int RunDialog(const Plugin& plugin, const std::vector<std::string>& args) {
    if (args.size() > 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::vector<char> user = DialogBuffer(args.size() > 0 ? args[0] : "");
    std::vector<char> password = DialogBuffer(args.size() > 1 ? args[1] : "");
    const std::int32_t result = plugin.ApiDataDialog(user.data(), password.data(), 0);
    std::printf("dialog result: %d\n", result);
    std::printf("user: %s\n", ToUtf8(keyscript::EscapeLine(user.data()).c_str()).c_str());
    std::printf("password: %s\n", ToUtf8(keyscript::EscapeLine(password.data()).c_str()).c_str());
    return result == IMPAPI_DIALOG_OK ? kExitOk : kExitPluginFailure;
}

int Run(const Plugin& plugin, const std::string& command, const std::vector<std::string>& args,
        std::int32_t hostVersion) {
    if (plugin.AppVersionCheck(hostVersion) != 0) {
        std::fprintf(stderr, "impapi-host: the plug-in refuses host version %d\n", hostVersion);
        return kExitNoPlugin;
    }
    if (command == "info") {
        return RunInfo(plugin);
    }
    if (command == "export") {
        return RunExport(plugin, args);
    }
    if (command == "message") {
        return RunMessage(plugin, args);
    }
    return RunDialog(plugin, args);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::string dll = DefaultPluginPath();
    std::int32_t hostVersion = kHostVersion;
    std::vector<std::string> args(argv + 1, argv + argc);
    while (args.size() >= 2 && (args[0] == "--dll" || args[0] == "--host-version")) {
        if (args[0] == "--dll") {
            dll = args[1];
        } else {
            hostVersion = std::atoi(args[1].c_str());
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "edit") {
        return workbench::RunEditWorkbench(args);
    }
    if (command != "info" && command != "export" && command != "message" && command != "dialog") {
        std::fprintf(stderr, "impapi-host: unknown command: %s\n\n%s", command.c_str(), kUsage);
        return kExitUsage;
    }

    HMODULE module = ::LoadLibraryA(dll.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "impapi-host: cannot load %s (error %lu)\n", dll.c_str(), ::GetLastError());
        return kExitNoPlugin;
    }
    Plugin plugin;
    if (!ResolveAll(module, plugin)) {
        std::fprintf(stderr, "impapi-host: %s lacks an export of the plug-in\n", dll.c_str());
        ::FreeLibrary(module);
        return kExitNoPlugin;
    }
    const int exitCode = Run(plugin, command, args, hostVersion);
    std::fflush(stdout);
    ::FreeLibrary(module);
    return exitCode;
}
