// The descriptor, the reporting helper and the four generic exports; nothing here knows the provider.
#include "plugin/win32/ImpApiMain.h"

#include <windows.h>

#include <atomic>

#include "plugin/PluginVersion.h"

namespace plugin {

TPluginDescriptor PluginDescriptor;

namespace {

constexpr std::int32_t kStatusLineCode = 3;
constexpr std::int32_t kProgressCode = 9;
constexpr std::int32_t kProgressSubCode = 5;
// ExportXML without an export routine, or after a failure no routine mapped: nothing was decided.
constexpr std::int32_t kNoExportResult = -1;

// The thread whose ExportXML runs, or 0. The plug-in has one progress window and one screen cursor: a call
// from another thread meanwhile is refused; a nested call from the host's callback on the same thread runs.
std::atomic<DWORD> exportingThread{0};

// Claims the export for the calling thread for the time of the outermost call; false while another thread
// holds it.
class ExportClaim {
public:
    ExportClaim() {
        DWORD expected = 0;
        outermost_ = exportingThread.compare_exchange_strong(expected, ::GetCurrentThreadId());
        granted_ = outermost_ || expected == ::GetCurrentThreadId();
    }
    ~ExportClaim() {
        if (outermost_) {
            exportingThread = 0;
        }
    }
    ExportClaim(const ExportClaim&) = delete;
    ExportClaim& operator=(const ExportClaim&) = delete;
    bool Granted() const { return granted_; }

private:
    bool outermost_ = false;
    bool granted_ = false;
};

std::int32_t RunExport(const char* TargetDir, std::int32_t ProviderParam1, std::int32_t ProviderParam2,
                       const double* LastImportDate, const char* Credentials) {
    const ExportRoutineFn routine = PluginDescriptor.ExportRoutine;
    const ExportClaim claim;
    if (routine == nullptr || !claim.Granted()) {
        return kNoExportResult;
    }
    return routine(TargetDir, ProviderParam1, ProviderParam2, LastImportDate, Credentials);
}

// The one place that calls the host: read the slot, skip when it is empty.
void ReportToHost(std::int32_t code, std::int32_t subCode, const char* text) {
    if (const HostStatusCallbackFn callback = PluginDescriptor.HostStatusCallback) {
        callback(code, subCode, text);
    }
}

}  // namespace

void InitializeImpApiMain() {
    PluginDescriptor.PluginVersion = kGenericPluginVersion;
    PluginDescriptor.ExportRoutine = nullptr;
    PluginDescriptor.HostStatusCallback = nullptr;
}

void FinalizeImpApiMain() noexcept {
    std::string().swap(PluginDescriptor.PluginVersion);
}

bool DescriptorReporting::CallbackRegistered() const {
    return PluginDescriptor.HostStatusCallback != nullptr;
}

void DescriptorReporting::StatusLine(const std::string& text) {
    ReportToHost(kStatusLineCode, 0, text.c_str());
}

void DescriptorReporting::ProgressPulse() {
    ReportToHost(kProgressCode, kProgressSubCode, "");
}

}  // namespace plugin

// No C++ exception may leave an export: each one is `try { return ...; } catch (...) { return <code>; }`.

std::int32_t __stdcall VersionInfo() {
    try {
        return plugin::kInterfaceVersion;
    } catch (...) {
        return plugin::kInterfaceVersion;
    }
}

void __stdcall ImportVersionInfo(unsigned char* VersionText) {
    try {
        if (VersionText != nullptr) {
            plugin::WriteShortString(plugin::PluginDescriptor.PluginVersion, VersionText);
        }
    } catch (...) {
        return;
    }
}

std::int32_t __stdcall ExportXML(const char* TargetDir, std::int32_t ProviderParam1,
                                 std::int32_t ProviderParam2, const double* LastImportDate,
                                 const char* Credentials) {
    try {
        return plugin::RunExport(TargetDir, ProviderParam1, ProviderParam2, LastImportDate, Credentials);
    } catch (...) {
        return plugin::kNoExportResult;
    }
}

std::int32_t __stdcall RegProgrCallback(plugin::HostStatusCallbackFn Callback) {
    try {
        plugin::PluginDescriptor.HostStatusCallback = Callback;
        return 0;
    } catch (...) {
        return 0;
    }
}
