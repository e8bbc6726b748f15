// One ordered record of the calls that the fakes of a test receive, with an optional injected failure.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// What a fake throws when the trace tells it to fail.
struct InjectedFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Trace {
    std::vector<std::string> events;
    int steps = 0;   // fallible operations so far
    int failAt = 0;  // 1-based number of the operation that throws InjectedFault; 0: none

    void Add(std::string event) { events.push_back(std::move(event)); }

    // Called by a fake at the start of every operation that may fail.
    void Step(std::string_view operation) {
        if (++steps == failAt) {
            throw InjectedFault("injected failure in " + std::string(operation));
        }
    }

    // The events that begin with one of `prefixes`, in order.
    std::vector<std::string> Only(std::initializer_list<std::string_view> prefixes) const {
        std::vector<std::string> selected;
        for (const std::string& event : events) {
            for (const std::string_view prefix : prefixes) {
                if (std::string_view(event).starts_with(prefix)) {
                    selected.push_back(event);
                    break;
                }
            }
        }
        return selected;
    }
};

}  // namespace testsupport
