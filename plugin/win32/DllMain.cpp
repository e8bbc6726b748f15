// Library entry: the modules start in dependency order when the host loads the DLL and stop in reverse.
#include <windows.h>

#include "inet/win32/ImpApiDownloadProgress.h"
#include "plugin/win32/ImpApiMain.h"
#include "provider/win32/ImpApi_kalvento.h"
#include "toolkit/Module.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(instance);
            try {
                plugin::InitializeImpApiMain();
                provider::InitializeImpApiKalvento();
            } catch (...) {
                return FALSE;
            }
            break;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved set) other threads are gone and windows die with the process.
            if (reserved == nullptr) {
                inet::HideDownloadProgress();
                toolkit::UnregisterWindowClasses();
            }
            plugin::FinalizeImpApiMain();
            break;
        default:
            break;
    }
    return TRUE;
}
