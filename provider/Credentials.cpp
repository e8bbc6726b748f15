// Credentials text parsing: name=value lines, first match wins, names compared without regard to case.
#include "provider/Credentials.h"

#include <algorithm>

namespace provider {
namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

std::string CredentialValue(std::string_view credentials, std::string_view name) {
    while (!credentials.empty()) {
        const std::size_t end = credentials.find_first_of("\r\n");
        const std::string_view line = credentials.substr(0, end);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && EqualsIgnoringCase(line.substr(0, equals), name)) {
            return std::string(line.substr(equals + 1));
        }
        if (end == std::string_view::npos) {
            break;
        }
        // CR LF is one line end; a CR or an LF alone is one too.
        const bool crlf =
            credentials[end] == '\r' && end + 1 < credentials.size() && credentials[end + 1] == '\n';
        credentials.remove_prefix(end + (crlf ? 2 : 1));
    }
    return {};
}

Credentials ParseCredentials(std::string_view credentials) {
    return {CredentialValue(credentials, "UserLogin"), CredentialValue(credentials, "Password")};
}

}  // namespace provider
