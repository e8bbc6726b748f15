// The module that holds the toolkit's code (the DLL, or a test program), its window classes, and error
// reports.
#pragma once

#include <exception>
#include <functional>

#include <windows.h>

namespace toolkit {

// The instance handle of the module this code is linked into; never the host's.
HINSTANCE ThisModule();

// Registers a window class of this module once; a class that an earlier load at this address left
// registered is reused.
void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style = CS_DBLCLKS);
// Unregisters every class registered here that has no window left: window classes of a DLL outlive its
// unloading otherwise. The plug-in calls it at the end of each export call that may have shown a window.
void UnregisterWindowClasses() noexcept;

// Reports an exception that reached a window procedure or an event handler, as a host's toolkit would: a
// message box with its text, unless a reporter was installed (tests record instead).
void ReportException(std::exception_ptr error) noexcept;
using ExceptionReporter = std::function<void(std::exception_ptr)>;
// Installs a reporter (an empty one restores the message box); returns the previous one.
ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);

// The default beep for refused input: MessageBeep(0), unless a beeper was installed (tests count instead).
void Beep();
using Beeper = std::function<void()>;
Beeper SetBeeper(Beeper beeper);

// System values the controls read once, when the first control is created (never in DllMain).
struct SystemValues {
    COLORREF BtnFace = 0;
    COLORREF GrayText = 0;
    bool DbcsEnabled = false;
    bool NtPlatform = true;
};
void ReadSystemValuesOnce();
const SystemValues& ReadSystemValues();

}  // namespace toolkit
