// Version values of the plug-in interface and the short-string form in which the host receives them.
#pragma once

#include <cstdint>
#include <string_view>

#include "version/KalventoVersion.h"

namespace plugin {

// The interface version every plug-in of this family reports.
inline constexpr std::int32_t kInterfaceVersion = version::kInterfaceVersion;
// The generic module's version text until a provider installs its own.
inline constexpr char kGenericPluginVersion[] = "1.0";

// Writes `text` as a short string: one length byte, then at most 255 characters. Nothing is written after the
// characters, so the rest of the host's buffer keeps what it held.
void WriteShortString(std::string_view text, unsigned char* buffer);

}  // namespace plugin
