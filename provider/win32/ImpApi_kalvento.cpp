// The kalvento provider at the DLL boundary: AppVersionCheck, GetExportErrorMsg, ApiDataDialog, the routine.
#include "provider/win32/ImpApi_kalvento.h"

#include <cstring>

#include "inet/ImpApiINet.h"
#include "plugin/win32/ImpApiMain.h"
#include "provider/KalventoProvider.h"
#include "provider/ResultTexts.h"
#include "provider/win32/ImpApi_kalvento_Dlg.h"
#include "provider/win32/WinExportEnvironment.h"
#include "toolkit/Module.h"

namespace provider {
namespace {

constexpr std::int32_t kNoText = -1;

// The window classes a call registered are unregistered when it returns (its windows are gone by then), so
// that nothing of the plug-in stays registered between calls and DllMain never has to call into user32. A
// class whose windows still live, those of an outer call, stays until that call ends.
struct WindowClassesOfTheCall {
    WindowClassesOfTheCall() = default;
    ~WindowClassesOfTheCall() { toolkit::UnregisterWindowClasses(); }
    WindowClassesOfTheCall(const WindowClassesOfTheCall&) = delete;
    WindowClassesOfTheCall& operator=(const WindowClassesOfTheCall&) = delete;
};
// The modal result of a dialog the user cancelled: nothing was confirmed, no buffer was touched.
constexpr std::int32_t kDialogCancelled = 2;

}  // namespace

void InitializeImpApiKalvento() {
    plugin::PluginDescriptor.PluginVersion = kProviderVersion;
    plugin::PluginDescriptor.ExportRoutine = KalventoExportRoutine;
}

std::int32_t KalventoExportRoutine(const char* TargetDir, std::int32_t ProviderParam1,
                                   std::int32_t ProviderParam2, const double* LastImportDate,
                                   const char* Credentials) {
    const WindowClassesOfTheCall classes;
    WinExportEnvironment environment;
    return RunExport(environment, ConfiguredExportServer(),
                     {TargetDir, ProviderParam1, ProviderParam2, LastImportDate, Credentials});
}

}  // namespace provider

std::int32_t __stdcall AppVersionCheck(std::int32_t HostVersion) {
    try {
        return provider::CheckHostVersion(HostVersion);
    } catch (...) {
        return provider::kHostVersionRefused;
    }
}

std::int32_t __stdcall ApiDataDialog(char* UserNumber, char* UserPassword, std::int32_t /*DialogParam*/) {
    // The dialog is gone when this returns, on every path: its window procedure lives in this library, which
    // the host may unload next.
    try {
        const provider::WindowClassesOfTheCall classes;
        return provider::ShowLoginDialog(UserNumber, UserPassword);
    } catch (...) {
        return provider::kDialogCancelled;
    }
}

std::int32_t __stdcall GetExportErrorMsg(std::int32_t Code, char* Buffer) {
    try {
        const std::string text = provider::ExportErrorText(Code);
        if (text.empty() || Buffer == nullptr) {
            return provider::kNoText;
        }
        std::memcpy(Buffer, text.c_str(), text.size() + 1);
        return 0;
    } catch (...) {
        return provider::kNoText;
    }
}
