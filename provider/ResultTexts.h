// The German texts of the result codes that ExportXML returns.
#pragma once

#include <cstdint>
#include <string>

namespace provider {

// The download engine's text for its codes, else the export job's text; empty when the code has none.
// Windows-1252, statement and advice separated by CR LF.
std::string ExportErrorText(std::int32_t code);

}  // namespace provider
