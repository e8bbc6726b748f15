// Command line of the export server.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace exportserver {

struct Options {
    std::uint16_t port = 0;
    std::string certDir;
    std::optional<std::uint16_t> proxyPort;
    std::string proxyCredentials;
    std::string logFile;  // empty: request lines go to stdout
    bool help = false;
};

struct ParsedOptions {
    std::optional<Options> options;
    std::string error;  // set when options is empty
};

// args excludes the program name. Accepts "--name value" and "--name=value".
ParsedOptions ParseOptions(std::span<const std::string_view> args);

// Usage and the scenario list, as printed by --help.
std::string HelpText();

}  // namespace exportserver
