// The host's status callback: status lines ("Line <text>") and progress pulses ("Pulse") in one trace.
#pragma once

#include <string>
#include <vector>

#include "host/HostReporting.h"
#include "tests/native/support/Trace.h"

namespace testsupport {

class FakeHostReporting : public host::HostReporting {
public:
    explicit FakeHostReporting(Trace& trace) : trace_(trace) {}

    bool registered = true;  // whether the host has registered a callback
    bool fallible = true;    // whether the trace may make a call fail
    std::vector<std::string> lines;
    int pulses = 0;

    bool CallbackRegistered() const override { return registered; }

    // Like the real reporting, nothing reaches the host without a registered callback.
    void StatusLine(const std::string& text) override {
        if (fallible) {
            trace_.Step("StatusLine");
        }
        if (registered) {
            trace_.Add("Line " + text);
            lines.push_back(text);
        }
    }
    void ProgressPulse() override {
        if (fallible) {
            trace_.Step("ProgressPulse");
        }
        if (registered) {
            trace_.Add("Pulse");
            ++pulses;
        }
    }

private:
    Trace& trace_;
};

}  // namespace testsupport
