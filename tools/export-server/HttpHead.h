// Request heads as read from a connection, and the response head sent back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace exportserver {

// A request head larger than this is refused; the client never sends more than a few hundred bytes.
inline constexpr std::size_t kMaxHeadBytes = 64 * 1024;

struct Header {
    std::string name;
    std::string value;
};

using Headers = std::vector<Header>;

// Case-insensitive lookup; nullptr when absent.
const std::string* FindHeader(const Headers& headers, std::string_view name);

struct RequestHead {
    std::string requestLine;
    std::string method;
    std::string target;
    std::string version;
    Headers headers;
};

// Offset just past the blank line that ends the head, if the buffer holds it. Bare LF line ends count too.
std::optional<std::size_t> FindHeadEnd(std::string_view buffer);

// The first line without its line end, exactly as received (for the request log).
std::string_view RequestLineOf(std::string_view head);

// nullopt unless the first line is "METHOD TARGET HTTP/x.y" and every header line has a colon.
std::optional<RequestHead> ParseRequestHead(std::string_view head);

// Splits a request target at the first '?' into path and query.
std::pair<std::string_view, std::string_view> SplitTarget(std::string_view target);

std::string_view ReasonPhrase(int status);

// "HTTP/1.1 <status> <reason>" plus the headers and the blank line.
std::string SerializeResponseHead(int status, const Headers& headers);

}  // namespace exportserver
