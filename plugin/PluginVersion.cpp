// Short-string output of version texts.
#include "plugin/PluginVersion.h"

#include <algorithm>
#include <cstring>

namespace plugin {

void WriteShortString(std::string_view text, unsigned char* buffer) {
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    buffer[0] = static_cast<unsigned char>(length);
    std::memcpy(buffer + 1, text.data(), length);
}

}  // namespace plugin
