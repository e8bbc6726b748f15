// Scenario selection from the usr value and request-type parsing.
#include "Scenario.h"

#include <array>
#include <limits>

namespace exportserver {
namespace {

constexpr std::array kScenarioHelp = {
    ScenarioHelp{"4711", "demo account, pwd=geheim; small XML export, reset acknowledged with 007"},
    ScenarioHelp{"xml-N", "XML export of exactly N bytes (K/M suffix, at least 128), streamed"},
    ScenarioHelp{"bytes", "short XML export holding the bytes 00 FF 0D 0A FC"},
    ScenarioHelp{"err001..err008", "data requests answer ERROR 00N with a short text; reset gives 007"},
    ScenarioHelp{"err003-xml", "XML export that carries 003 inside its data"},
    ScenarioHelp{"err003-001", "data requests answer a text carrying both 003 and 001"},
    ScenarioHelp{"noack", "reset answers ERROR 001 instead of 007; data requests get the demo export"},
    ScenarioHelp{"httpNNN", "NNN = 401, 403, 404, 500 or 503: every request answers that HTTP status"},
    ScenarioHelp{"http407", "every request answers 407 with Proxy-Authenticate"},
    ScenarioHelp{"empty", "200 with Content-Length: 0"},
    ScenarioHelp{"short", "Content-Length: 100000 but only 1000 bytes, then close"},
    ScenarioHelp{"chunked-cut", "chunked, three 1000-byte chunks, close without the last chunk"},
    ScenarioHelp{"nolength", "XML export without Content-Length, ended by closing"},
    ScenarioHelp{"badlength", "XML export with Content-Length: abc, ended by closing"},
    ScenarioHelp{"slow", "Content-Length 10 MiB, 4 KiB every 50 ms"},
    ScenarioHelp{"hang", "reads the request and never answers"},
    ScenarioHelp{"close", "reads the request and closes without answering"},
    ScenarioHelp{"(anything else)", "ERROR 002 User unbekannt"},
};

struct NamedScenario {
    std::string_view usr;
    ScenarioKind kind;
};

constexpr std::array kFixedScenarios = {
    NamedScenario{"bytes", ScenarioKind::kBytes},
    NamedScenario{"err003-xml", ScenarioKind::kErrorCodeInXmlData},
    NamedScenario{"err003-001", ScenarioKind::kTwoErrorCodes},
    NamedScenario{"noack", ScenarioKind::kNoResetAck},
    NamedScenario{"empty", ScenarioKind::kEmpty},
    NamedScenario{"short", ScenarioKind::kShort},
    NamedScenario{"chunked-cut", ScenarioKind::kChunkedCut},
    NamedScenario{"nolength", ScenarioKind::kNoLength},
    NamedScenario{"badlength", ScenarioKind::kBadLength},
    NamedScenario{"slow", ScenarioKind::kSlow},
    NamedScenario{"hang", ScenarioKind::kHang},
    NamedScenario{"close", ScenarioKind::kClose},
};

constexpr std::array kHttpStatusScenarios = {401, 403, 404, 407, 500, 503};

std::optional<int> ParseThreeDigits(std::string_view text) {
    if (text.size() != 3) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<std::uint64_t> ParseByteCount(std::string_view text) {
    std::uint64_t multiplier = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'k')) {
        multiplier = 1024;
        text.remove_suffix(1);
    } else if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) {
        multiplier = 1024 * 1024;
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kMax - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (value > kMax / multiplier) {
        return std::nullopt;
    }
    return value * multiplier;
}

Scenario SelectScenario(std::string_view usr) {
    if (usr == kDemoUser) {
        return {ScenarioKind::kDemo};
    }
    for (const NamedScenario& named : kFixedScenarios) {
        if (usr == named.usr) {
            return {named.kind};
        }
    }
    if (usr.starts_with("xml-")) {
        if (const auto bytes = ParseByteCount(usr.substr(4))) {
            return {ScenarioKind::kXmlSize, *bytes < kMinXmlBytes ? kMinXmlBytes : *bytes};
        }
    }
    if (usr.starts_with("err")) {
        if (const auto code = ParseThreeDigits(usr.substr(3)); code && *code >= 1 && *code <= 8) {
            return {ScenarioKind::kError, 0, *code};
        }
    }
    if (usr.starts_with("http")) {
        if (const auto status = ParseThreeDigits(usr.substr(4))) {
            for (int known : kHttpStatusScenarios) {
                if (*status == known) {
                    return {ScenarioKind::kHttpStatus, 0, known};
                }
            }
        }
    }
    return {ScenarioKind::kUnknownUser};
}

std::optional<RequestType> ParseRequestType(std::string_view type) {
    if (type == "0003") {
        return RequestType::kReset;
    }
    if (type == "0001") {
        return RequestType::kComplete;
    }
    if (type == "0004") {
        return RequestType::kDelta;
    }
    return std::nullopt;
}

std::span<const ScenarioHelp> ScenarioList() {
    return kScenarioHelp;
}

}  // namespace exportserver
