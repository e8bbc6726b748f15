// The request log: one raw request line per line, written whole even when connections race.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace exportserver {

class RequestLog {
public:
    // Appends to path, or writes to stdout when path is empty. Throws std::runtime_error.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Flushed at once, so a test can read the log while the server runs.
    void Append(std::string_view line);

private:
    std::mutex mutex_;
    std::FILE* out_;
    bool ownsFile_;
};

}  // namespace exportserver
