// Turns OpenSSL's error queue into text for the server's messages.
#include "OpenSslPtr.h"

#include <openssl/err.h>

namespace exportserver {

std::string DrainOpenSslErrors() {
    std::string text;
    for (unsigned long code = ERR_get_error(); code != 0; code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty()) {
            text += "; ";
        }
        text += buffer;
    }
    return text.empty() ? "no OpenSSL error queued" : text;
}

}  // namespace exportserver
