// Parsing of request heads and serialisation of response heads.
#include "HttpHead.h"

#include <algorithm>

namespace exportserver {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view StripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

const std::string* FindHeader(const Headers& headers, std::string_view name) {
    for (const Header& header : headers) {
        if (EqualsIgnoreCase(header.name, name)) {
            return &header.value;
        }
    }
    return nullptr;
}

std::optional<std::size_t> FindHeadEnd(std::string_view buffer) {
    for (std::size_t pos = buffer.find('\n'); pos != std::string_view::npos;
         pos = buffer.find('\n', pos + 1)) {
        if (pos + 1 < buffer.size() && buffer[pos + 1] == '\n') {
            return pos + 2;
        }
        if (pos + 2 < buffer.size() && buffer[pos + 1] == '\r' && buffer[pos + 2] == '\n') {
            return pos + 3;
        }
    }
    return std::nullopt;
}

std::string_view RequestLineOf(std::string_view head) {
    return StripLineEnd(head.substr(0, head.find('\n')));
}

std::optional<RequestHead> ParseRequestHead(std::string_view head) {
    RequestHead request;
    request.requestLine = std::string(RequestLineOf(head));

    const std::string_view line = request.requestLine;
    const std::size_t firstSpace = line.find(' ');
    const std::size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == 0 || lastSpace == firstSpace ||
        lastSpace == firstSpace + 1) {
        return std::nullopt;
    }
    request.method = std::string(line.substr(0, firstSpace));
    request.target = std::string(line.substr(firstSpace + 1, lastSpace - firstSpace - 1));
    request.version = std::string(line.substr(lastSpace + 1));
    if (request.target.find(' ') != std::string::npos || !request.version.starts_with("HTTP/1.")) {
        return std::nullopt;
    }

    const std::size_t firstEol = head.find('\n');
    std::string_view rest =
        firstEol == std::string_view::npos ? std::string_view{} : head.substr(firstEol + 1);
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        const std::string_view headerLine = StripLineEnd(rest.substr(0, eol));
        rest = eol == std::string_view::npos ? std::string_view{} : rest.substr(eol + 1);
        if (headerLine.empty()) {
            break;
        }
        const std::size_t colon = headerLine.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            return std::nullopt;
        }
        request.headers.push_back(
            {std::string(headerLine.substr(0, colon)), std::string(Trim(headerLine.substr(colon + 1)))});
    }
    return request;
}

std::pair<std::string_view, std::string_view> SplitTarget(std::string_view target) {
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) {
        return {target, {}};
    }
    return {target.substr(0, question), target.substr(question + 1)};
}

std::string_view ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 407:
            return "Proxy Authentication Required";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

std::string SerializeResponseHead(int status, const Headers& headers) {
    std::string head =
        "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status)) + "\r\n";
    for (const Header& header : headers) {
        head += header.name + ": " + header.value + "\r\n";
    }
    head += "\r\n";
    return head;
}

}  // namespace exportserver
