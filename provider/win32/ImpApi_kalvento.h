// The kalvento provider's exports and its installation into the plug-in descriptor.
#pragma once

#include <cstdint>

namespace provider {

// Last among the plug-in's modules: installs the provider's version text and export routine.
void InitializeImpApiKalvento();

// The export routine installed into the descriptor.
std::int32_t KalventoExportRoutine(const char* TargetDir, std::int32_t ProviderParam1,
                                   std::int32_t ProviderParam2, const double* LastImportDate,
                                   const char* Credentials);

}  // namespace provider

extern "C" {
std::int32_t __stdcall AppVersionCheck(std::int32_t HostVersion);
std::int32_t __stdcall ApiDataDialog(char* UserNumber, char* UserPassword, std::int32_t DialogParam);
std::int32_t __stdcall GetExportErrorMsg(std::int32_t Code, char* Buffer);
}
