// Library entry: the modules start in dependency order when the host loads the DLL and stop in reverse.
#include <windows.h>

#include "inet/win32/ImpApiDownloadProgress.h"
#include "plugin/win32/ImpApiMain.h"
#include "provider/win32/ImpApi_kalvento.h"
#include "toolkit/Module.h"

// Thread notices stay on: the statically linked C++ runtime cleans up per-thread state with them.
BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
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
            if (reserved == nullptr) {
                inet::HideDownloadProgress();
                toolkit::UnregisterWindowClasses();
            } else {
                // At process exit windows die with the process; destroying one now would call into a user32
                // that may be shutting down.
                static_cast<void>(inet::frmDownloadProgress.release());
            }
            plugin::FinalizeImpApiMain();
            break;
        default:
            break;
    }
    return TRUE;
}
