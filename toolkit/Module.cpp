// Module instance, window class registration and exception reports of the toolkit.
#include "toolkit/Module.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace toolkit {
namespace {

std::vector<std::string>& RegisteredClasses() {
    static std::vector<std::string> classes;
    return classes;
}

}  // namespace

HINSTANCE ThisModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    // A class belongs to its name and module handle. One found with this module's handle was registered by
    // this library at this same address, so its procedure is this one.
    if (::GetClassInfoExA(ThisModule(), className, &existing)) {
        return;
    }
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (!::RegisterClassExA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error(std::string("Fensterklasse kann nicht registriert werden: ") + className);
    }
    RegisteredClasses().emplace_back(className);
}

void UnregisterWindowClasses() noexcept {
    // A class with a window still alive stays registered, and listed, until a later call can take it away.
    std::erase_if(RegisteredClasses(), [](const std::string& className) {
        return ::UnregisterClassA(className.c_str(), ThisModule()) != FALSE;
    });
}

namespace {

ExceptionReporter& InstalledReporter() {
    static ExceptionReporter reporter;
    return reporter;
}

Beeper& InstalledBeeper() {
    static Beeper beeper;
    return beeper;
}

SystemValues& Values() {
    static SystemValues values;
    return values;
}

}  // namespace

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
    return std::exchange(InstalledReporter(), std::move(reporter));
}

Beeper SetBeeper(Beeper beeper) {
    return std::exchange(InstalledBeeper(), std::move(beeper));
}

void Beep() {
    if (InstalledBeeper()) {
        InstalledBeeper()();
    } else {
        ::MessageBeep(0);
    }
}

void ReadSystemValuesOnce() {
    static const bool read = [] {
        SystemValues& values = Values();
        values.BtnFace = ::GetSysColor(COLOR_BTNFACE);
        values.GrayText = ::GetSysColor(COLOR_GRAYTEXT);
        values.DbcsEnabled = ::GetSystemMetrics(SM_DBCSENABLED) != 0;
        values.NtPlatform = (::GetVersion() & 0x80000000u) == 0;
        return true;
    }();
    static_cast<void>(read);
}

const SystemValues& ReadSystemValues() {
    ReadSystemValuesOnce();
    return Values();
}

void ReportException(std::exception_ptr error) noexcept {
    if (InstalledReporter()) {
        try {
            InstalledReporter()(error);
        } catch (...) {
        }
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ::MessageBoxA(nullptr, e.what(), "Fehler", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    } catch (...) {
        ::MessageBoxA(nullptr, "Unbekannter Fehler", "Fehler", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    }
}

}  // namespace toolkit
