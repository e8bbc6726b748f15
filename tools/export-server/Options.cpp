// Command-line parsing and the --help text.
#include "Options.h"

#include <algorithm>
#include <charconv>

#include "ProxyPlan.h"
#include "Scenario.h"

namespace exportserver {
namespace {

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

ParsedOptions Fail(std::string message) {
    return {std::nullopt, std::move(message)};
}

}  // namespace

ParsedOptions ParseOptions(std::span<const std::string_view> args) {
    Options options;
    options.proxyCredentials = std::string(kDefaultProxyCredentials);
    bool havePort = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--port" && name != "--cert-dir" && name != "--proxy-port" &&
            name != "--proxy-credentials" && name != "--log") {
            return Fail("unknown argument '" + std::string(args[i]) + "'");
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return Fail(std::string(name) + " needs a value");
            }
            value = args[++i];
        }
        if (name == "--port" || name == "--proxy-port") {
            const std::optional<std::uint16_t> port = ParsePort(*value);
            if (!port) {
                return Fail(std::string(name) + " must be a number from 1 to 65535, not '" +
                            std::string(*value) + "'");
            }
            if (name == "--port") {
                options.port = *port;
                havePort = true;
            } else {
                options.proxyPort = *port;
            }
        } else if (name == "--cert-dir") {
            if (value->empty()) {
                return Fail("--cert-dir must not be empty");
            }
            options.certDir = std::string(*value);
        } else if (name == "--proxy-credentials") {
            if (value->find(':') == std::string_view::npos) {
                return Fail("--proxy-credentials must look like USER:PASS");
            }
            options.proxyCredentials = std::string(*value);
        } else {
            if (value->empty()) {
                return Fail("--log must not be empty");
            }
            options.logFile = std::string(*value);
        }
    }
    if (options.help) {
        return {options, {}};
    }
    if (!havePort) {
        return Fail("--port is required");
    }
    if (options.certDir.empty()) {
        return Fail("--cert-dir is required");
    }
    if (options.proxyPort && *options.proxyPort == options.port) {
        return Fail("--proxy-port must differ from --port");
    }
    return {options, {}};
}

std::string HelpText() {
    std::string text =
        "usage: export-server --port N --cert-dir DIR [--proxy-port P] [--proxy-credentials USER:PASS]\n"
        "                     [--log FILE]\n"
        "\n"
        "Local stand-in for the kalvento export server. Listens on 127.0.0.1 only: HTTPS on --port and,\n"
        "with --proxy-port, an authenticating CONNECT proxy (default credentials proxyuser:proxypass).\n"
        "Test CA and server certificates are created in DIR when missing (import ca.der as a root).\n"
        "Prints 'ready' once listening; request lines go to --log FILE or stdout. SIGTERM/SIGINT stop it.\n"
        "\n"
        "  GET /export/export/export.php?usr=U&pwd=P&type=T[&dateto=dd.mm.yyyy]\n"
        "      type 0003 reset, 0001 complete history, 0004 delta; other types answer 400\n"
        "  GET /control?wronghost=1\n"
        "      the next TLS connection presents a certificate for wrong.example\n"
        "\n"
        "scenarios (usr):\n";
    for (const ScenarioHelp& entry : ScenarioList()) {
        std::string usr(entry.usr);
        usr.resize(std::max<std::size_t>(usr.size(), 16), ' ');
        text += "  " + usr + "  " + std::string(entry.summary) + "\n";
    }
    return text;
}

}  // namespace exportserver
