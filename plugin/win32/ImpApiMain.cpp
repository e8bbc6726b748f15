// The descriptor, the reporting helper and the four generic exports; nothing here knows the provider.
#include "plugin/win32/ImpApiMain.h"

#include "plugin/PluginVersion.h"

namespace plugin {

TPluginDescriptor PluginDescriptor;

namespace {

constexpr std::int32_t kStatusLineCode = 3;
constexpr std::int32_t kProgressCode = 9;
constexpr std::int32_t kProgressSubCode = 5;
// ExportXML without an export routine, or after a failure no routine mapped: nothing was decided.
constexpr std::int32_t kNoExportResult = -1;

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

// No C++ exception may leave an export.

std::int32_t __stdcall VersionInfo() {
    return plugin::kInterfaceVersion;
}

void __stdcall ImportVersionInfo(unsigned char* VersionText) {
    if (VersionText != nullptr) {
        plugin::WriteShortString(plugin::PluginDescriptor.PluginVersion, VersionText);
    }
}

std::int32_t __stdcall ExportXML(const char* TargetDir, std::int32_t ProviderParam1,
                                 std::int32_t ProviderParam2, const double* LastImportDate,
                                 const char* Credentials) {
    try {
        const plugin::ExportRoutineFn routine = plugin::PluginDescriptor.ExportRoutine;
        if (routine == nullptr) {
            return plugin::kNoExportResult;
        }
        return routine(TargetDir, ProviderParam1, ProviderParam2, LastImportDate, Credentials);
    } catch (...) {
        return plugin::kNoExportResult;
    }
}

std::int32_t __stdcall RegProgrCallback(plugin::HostStatusCallbackFn Callback) {
    plugin::PluginDescriptor.HostStatusCallback = Callback;
    return 0;
}
