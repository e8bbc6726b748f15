// Expected texts are written as readable UTF-8 in test sources and compared as the Windows-1252 bytes the
// plug-in hands to the host.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace testsupport {

// Converts UTF-8 text of the characters U+0000-U+007F and U+00A0-U+00FF (where Windows-1252 and Unicode
// agree) into one byte per character. Anything else throws, so that a typo cannot slip into an expectation.
inline std::string Cp1252(std::string_view utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            ++i;
            continue;
        }
        const bool twoBytes = (lead & 0xE0) == 0xC0 && i + 1 < utf8.size() &&
                              (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80;
        const unsigned code =
            twoBytes ? ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) : 0;
        if (code < 0xA0) {
            throw std::invalid_argument("Cp1252: no Windows-1252 character at byte " + std::to_string(i) +
                                        " of \"" + std::string(utf8) + "\"");
        }
        bytes += static_cast<char>(code);
        i += 2;
    }
    return bytes;
}

}  // namespace testsupport
