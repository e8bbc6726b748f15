// Reads one request head from a connection.
#pragma once

#include <string>

#include "Stream.h"

namespace exportserver {

enum class HeadResult {
    kComplete,  // head holds the request line and headers up to and including the blank line
    kTooLarge,  // more than kMaxHeadBytes without a blank line; head holds what was read
    kGone,      // closed, stopped, timed out or failed before the head was complete
};

// On a plain socket nothing past the blank line is consumed, since TLS may follow on the same socket.
HeadResult ReadRequestHead(Stream& stream, std::string& head, Clock::time_point deadline);

}  // namespace exportserver
