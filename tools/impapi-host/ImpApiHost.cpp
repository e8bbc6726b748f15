// impapi-host: a console program that plays the host application: it loads the plug-in, registers a status
// callback and calls the exports as a host does, printing what comes back.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using HostStatusCallbackFn = void(__stdcall*)(std::int32_t, std::int32_t, const char*);
using RegProgrCallbackFn = std::int32_t(__stdcall*)(HostStatusCallbackFn);
using GetExportErrorMsgFn = std::int32_t(__stdcall*)(std::int32_t, char*);
using ExportXmlFn = std::int32_t(__stdcall*)(const char*, std::int32_t, std::int32_t, const double*, const char*);
using ImportVersionInfoFn = void(__stdcall*)(unsigned char*);
using VersionInfoFn = std::int32_t(__stdcall*)();
using ApiDataDialogFn = std::int32_t(__stdcall*)(char*, char*, std::int32_t);
using AppVersionCheckFn = std::int32_t(__stdcall*)(std::int32_t);

constexpr std::int32_t kHostVersion = 40333;

enum ExitCode : int { kExitOk = 0, kExitPluginFailure = 1, kExitUsage = 2, kExitNoPlugin = 3 };

constexpr char kUsage[] =
    "usage: impapi-host [--dll PATH] [--host-version N] COMMAND [ARGS]\n"
    "\n"
    "Loads ImpApiKalvento.dll (from this program's folder unless --dll names it) as a host application does.\n"
    "\n"
    "commands:\n"
    "  info                                 interface and version information of the plug-in\n"
    "  export DIR USER PASSWORD [DATE|none] [--no-callback]\n"
    "                                       one import into DIR; DATE (dd.mm.yyyy) is the last import,\n"
    "                                       none (the default) asks for the complete history\n"
    "  message CODE                         the plug-in's text for a result code\n"
    "  dialog                               the credentials dialog\n"
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

// Keeps the plug-in's windows alive: a host dispatches its messages while it handles a callback.
void PumpMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void __stdcall OnStatus(std::int32_t code, std::int32_t subCode, const char* text) {
    if (code == 9 && subCode == 5) {
        ++progressPulses;
    } else {
        ++statusLines;
        std::printf("status %d/%d: %s\n", code, subCode, ToUtf8(text != nullptr ? text : "").c_str());
        std::fflush(stdout);
    }
    PumpMessages();
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// dd.mm.yyyy as days since 30 December 1899.
bool ParseDate(const std::string& text, double& value) {
    int day = 0;
    int month = 0;
    int year = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2d.%2d.%4d%c", &day, &month, &year, &tail) != 3 || month < 1 || month > 12 ||
        day < 1 || day > 31 || year < 1) {
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

void PrintMessage(HMODULE plugin, std::int32_t code) {
    char text[1024] = {};
    if (Export<GetExportErrorMsgFn>(plugin, "GetExportErrorMsg")(code, text) == 0) {
        std::printf("message:\n%s\n", ToUtf8(text).c_str());
    }
}

int RunInfo(HMODULE plugin) {
    unsigned char version[256] = {};
    Export<ImportVersionInfoFn>(plugin, "ImportVersionInfo")(version);
    std::printf("interface version: %d\n", Export<VersionInfoFn>(plugin, "VersionInfo")());
    std::printf("plug-in version: %.*s\n", version[0], reinterpret_cast<const char*>(version + 1));
    return kExitOk;
}

int RunExport(HMODULE plugin, const std::vector<std::string>& args) {
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

    Export<RegProgrCallbackFn>(plugin, "RegProgrCallback")(callback ? OnStatus : nullptr);
    const std::set<std::string> before = ExportFiles(directory);
    const std::int32_t result = Export<ExportXmlFn>(plugin, "ExportXML")(directory.c_str(), 0, 0, &lastImport,
                                                                        credentials.c_str());
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
    return result == 0 ? kExitOk : kExitPluginFailure;
}

int RunMessage(HMODULE plugin, const std::vector<std::string>& args) {
    char* end = nullptr;
    const long code = args.size() == 1 ? std::strtol(args[0].c_str(), &end, 10) : 0;
    if (args.size() != 1 || end == args[0].c_str() || *end != '\0') {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    char text[1024] = {};
    if (Export<GetExportErrorMsgFn>(plugin, "GetExportErrorMsg")(static_cast<std::int32_t>(code), text) != 0) {
        std::printf("no text for %ld\n", code);
        return kExitPluginFailure;
    }
    std::printf("%s\n", ToUtf8(text).c_str());
    return kExitOk;
}

int RunDialog(HMODULE plugin) {
    char user[128] = {};
    char password[128] = {};
    const std::int32_t result = Export<ApiDataDialogFn>(plugin, "ApiDataDialog")(user, password, 0);
    std::printf("dialog result: %d\n", result);
    if (result == 1) {
        std::printf("user: %s\npassword: %s\n", ToUtf8(user).c_str(), ToUtf8(password).c_str());
    }
    return result == 1 ? kExitOk : kExitPluginFailure;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::string dll = "ImpApiKalvento.dll";
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
    if (command != "info" && command != "export" && command != "message" && command != "dialog") {
        std::fprintf(stderr, "impapi-host: unknown command: %s\n\n%s", command.c_str(), kUsage);
        return kExitUsage;
    }

    // A bare name is looked for in this program's folder first, as Windows does for LoadLibrary.
    HMODULE plugin = ::LoadLibraryA(dll.c_str());
    if (plugin == nullptr) {
        std::fprintf(stderr, "impapi-host: cannot load %s (error %lu)\n", dll.c_str(), ::GetLastError());
        return kExitNoPlugin;
    }
    int exitCode = kExitNoPlugin;
    if (Export<AppVersionCheckFn>(plugin, "AppVersionCheck")(hostVersion) != 0) {
        std::fprintf(stderr, "impapi-host: the plug-in refuses host version %d\n", hostVersion);
    } else if (command == "info") {
        exitCode = RunInfo(plugin);
    } else if (command == "export") {
        exitCode = RunExport(plugin, args);
    } else if (command == "message") {
        exitCode = RunMessage(plugin, args);
    } else {
        exitCode = RunDialog(plugin);
    }
    std::fflush(stdout);
    ::FreeLibrary(plugin);
    return exitCode;
}
