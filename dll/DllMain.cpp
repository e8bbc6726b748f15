// Library entry: the modules start in dependency order when the host loads the DLL and stop in reverse.
#include <windows.h>

#include "inet/win32/ImpApiDownloadProgress.h"
#include "plugin/win32/ImpApiMain.h"
#include "provider/win32/ImpApi_kalvento.h"

// Thread notices stay on: the statically linked C++ runtime cleans up per-thread state with them.
BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            try {
                plugin::InitializeImpApiMain();
                provider::InitializeImpApiKalvento();
            } catch (...) {
                return FALSE;
            }
            break;
        case DLL_PROCESS_DETACH:
            // Under the loader lock nothing calls into user32: every call closed its windows and unregistered
            // its classes before it returned. A window left by a call the host cut short (it unloaded the
            // library from inside the callback) is not destroyed here; its object is let go.
            static_cast<void>(inet::frmDownloadProgress.release());
            plugin::FinalizeImpApiMain();
            break;
        default:
            break;
    }
    return TRUE;
}
