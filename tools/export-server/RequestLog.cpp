// Serialised, flushed appends to the request log.
#include "RequestLog.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace exportserver {

RequestLog::RequestLog(const std::string& path)
    : out_(path.empty() ? stdout : std::fopen(path.c_str(), "a")), ownsFile_(!path.empty()) {
    if (out_ == nullptr) {
        throw std::runtime_error("cannot open log " + path + ": " + std::strerror(errno));
    }
}

RequestLog::~RequestLog() {
    if (ownsFile_) {
        std::fclose(out_);
    }
}

void RequestLog::Append(std::string_view line) {
    const std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace exportserver
