// Reading the kalvento user number and password out of the host's credentials text.
#pragma once

#include <string>
#include <string_view>

namespace provider {

// The value of the first line "name=value" whose name equals `name` without regard to case; lines end at
// CR LF, CR or LF; nothing is trimmed. Empty when no line defines the name.
std::string CredentialValue(std::string_view credentials, std::string_view name);

struct Credentials {
    std::string UserLogin;
    std::string Password;
};

Credentials ParseCredentials(std::string_view credentials);

}  // namespace provider
