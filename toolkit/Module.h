// The module that holds the toolkit's code (the DLL, or a test program), its window classes, and error
// reports.
#pragma once

#include <exception>

#include <windows.h>

namespace toolkit {

// The instance handle of the module this code is linked into; never the host's.
HINSTANCE ThisModule();

// Registers a window class of this module once; a class that an earlier load at this address left
// registered is reused.
void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style = CS_DBLCLKS);
// Unregisters every class registered here: window classes of a DLL outlive its unloading otherwise.
void UnregisterWindowClasses() noexcept;

// Reports an exception that reached a window procedure, as a host's toolkit would: a message box.
void ReportException(std::exception_ptr error) noexcept;

}  // namespace toolkit
