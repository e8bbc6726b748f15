// The host's status callback as the portable code sees it: status lines and progress pulses.
#pragma once

#include <string>

namespace host {

// Every status line and progress pulse goes through one of these. Implementations skip the call when the
// host has registered no callback, so callers never check for one except where a decision depends on it.
class HostReporting {
public:
    virtual ~HostReporting() = default;
    virtual bool CallbackRegistered() const = 0;
    // Code 3, sub-code 0: one line for the host's status display.
    virtual void StatusLine(const std::string& text) = 0;
    // Code 9, sub-code 5, empty text: the download is alive and advancing.
    virtual void ProgressPulse() = 0;
};

}  // namespace host
