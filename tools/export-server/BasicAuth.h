// Base64 and the check of "Basic" credentials sent to the proxy.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace exportserver {

// Standard alphabet; padding is optional, anything else outside the alphabet fails.
std::optional<std::string> Base64Decode(std::string_view text);

// True when header is "Basic <base64(credentials)>" (scheme in any case, surrounding blanks allowed).
bool BasicCredentialsMatch(std::string_view header, std::string_view credentials);

}  // namespace exportserver
