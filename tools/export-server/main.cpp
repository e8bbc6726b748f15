// Entry point of the local export server: argument handling and start-up error reporting.
#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "Options.h"
#include "Server.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const exportserver::ParsedOptions parsed = exportserver::ParseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "export-server: %s (see --help)\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(exportserver::HelpText().c_str(), stdout);
        return 0;
    }
    try {
        return exportserver::RunServer(*parsed.options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "export-server: %s\n", error.what());
        return 1;
    }
}
