// Fixed values of the kalvento provider: its version text and the host versions it accepts.
#pragma once

#include <cstdint>

#include "provider/ExportRequests.h"
#include "version/KalventoVersion.h"

namespace provider {

inline constexpr const char* kProviderVersion = version::kPluginVersion;
inline constexpr std::int32_t kLowestHostVersion = version::kLowestHostVersion;

// AppVersionCheck: -1 refuses a host older than the lowest accepted version, 0 accepts it.
inline constexpr std::int32_t kHostVersionRefused = -1;

constexpr std::int32_t CheckHostVersion(std::int32_t hostVersion) {
    return hostVersion < kLowestHostVersion ? kHostVersionRefused : 0;
}

// The export server this build talks to: the production server or the local one (a build setting).
ExportServer ConfiguredExportServer();

}  // namespace provider
