// Maps the usr and type parameters of an export request to the behaviour the server plays.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace exportserver {

inline constexpr std::string_view kDemoUser = "4711";
inline constexpr std::string_view kDemoPassword = "geheim";

// xml-N never goes below this, so the declaration, root element and one record always fit.
inline constexpr std::uint64_t kMinXmlBytes = 128;

enum class ScenarioKind {
    kDemo,
    kXmlSize,
    kBytes,
    kError,
    kErrorCodeInXmlData,
    kTwoErrorCodes,
    kNoResetAck,
    kHttpStatus,
    kEmpty,
    kShort,
    kChunkedCut,
    kNoLength,
    kBadLength,
    kSlow,
    kHang,
    kClose,
    kUnknownUser,
};

struct Scenario {
    ScenarioKind kind = ScenarioKind::kUnknownUser;
    std::uint64_t xmlBytes = 0;  // kXmlSize: exact body size, already clamped
    int code = 0;                // kError: 1..8; kHttpStatus: the status to answer
};

Scenario SelectScenario(std::string_view usr);

// "64", "64K", "64M" (also lower-case suffixes) -> bytes; nullopt on anything else or overflow.
std::optional<std::uint64_t> ParseByteCount(std::string_view text);

enum class RequestType { kReset, kComplete, kDelta };

// "0003" reset, "0001" complete history, "0004" delta; nullopt for any other value.
std::optional<RequestType> ParseRequestType(std::string_view type);

struct ScenarioHelp {
    std::string_view usr;
    std::string_view summary;
};

// One entry per usr value the server knows, for --help.
std::span<const ScenarioHelp> ScenarioList();

}  // namespace exportserver
