// The kalvento provider at the DLL boundary: AppVersionCheck, GetExportErrorMsg, ApiDataDialog, the routine.
#include "provider/win32/ImpApi_kalvento.h"

#include <cstring>
#include <new>

#include "inet/ImpApiINet.h"
#include "plugin/win32/ImpApiMain.h"
#include "provider/KalventoProvider.h"
#include "provider/ResultTexts.h"
#include "provider/win32/ImpApi_kalvento_Dlg.h"
#include "provider/win32/WinExportEnvironment.h"

namespace provider {
namespace {

constexpr std::int32_t kNoText = -1;
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
    try {
        WinExportEnvironment environment;
        return RunExport(environment, ConfiguredExportServer(),
                         {TargetDir, ProviderParam1, ProviderParam2, LastImportDate, Credentials});
    } catch (const std::bad_alloc&) {
        return inet::kDownloadIncomplete;  // the job maps a body that does not fit; this is any other
                                           // allocation
    } catch (...) {
        return inet::kDownloadUndetermined;
    }
}

}  // namespace provider

std::int32_t __stdcall AppVersionCheck(std::int32_t HostVersion) {
    return provider::CheckHostVersion(HostVersion);
}

std::int32_t __stdcall ApiDataDialog(char* UserNumber, char* UserPassword, std::int32_t /*DialogParam*/) {
    // The dialog is gone when this returns, on every path: its window procedure lives in this library, which
    // the host may unload next.
    try {
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
