// The generic plug-in interface: the descriptor a provider fills, the host's callback, the generic exports.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostReporting.h"

namespace plugin {

// The host's status function: stdcall, code, sub-code, zero-terminated Windows-1252 text.
using HostStatusCallbackFn = void(__stdcall*)(std::int32_t Code, std::int32_t SubCode, const char* Text);
// The provider's export routine, called with the arguments of ExportXML.
using ExportRoutineFn = std::int32_t (*)(const char* TargetDir, std::int32_t ProviderParam1,
                                         std::int32_t ProviderParam2, const double* LastImportDate,
                                         const char* Credentials);

struct TPluginDescriptor {
    std::string PluginVersion;
    ExportRoutineFn ExportRoutine = nullptr;
    HostStatusCallbackFn HostStatusCallback = nullptr;
};

// One per loaded library; between load and unload it changes only through RegProgrCallback.
extern TPluginDescriptor PluginDescriptor;

// First among the plug-in's modules: the generic defaults, both slots empty.
void InitializeImpApiMain();
// Last at unload: releases the version text. The callback slot is left as it is.
void FinalizeImpApiMain() noexcept;

// Status lines and pulses to the registered callback; skipped when none is registered.
class DescriptorReporting final : public host::HostReporting {
public:
    bool CallbackRegistered() const override;
    void StatusLine(const std::string& text) override;
    void ProgressPulse() override;
};

}  // namespace plugin

extern "C" {
std::int32_t __stdcall VersionInfo();
void __stdcall ImportVersionInfo(unsigned char* VersionText);
std::int32_t __stdcall ExportXML(const char* TargetDir, std::int32_t ProviderParam1,
                                 std::int32_t ProviderParam2, const double* LastImportDate,
                                 const char* Credentials);
std::int32_t __stdcall RegProgrCallback(plugin::HostStatusCallbackFn Callback);
}
