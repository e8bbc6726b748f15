// A scripted HTTP layer: each opening of a URL answers from the next entry of `openings`, and every call is
// traced as text ("OpenUrl 1 https://... 0x84000000", "Read 2 4095", "Close 2").
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "inet/HttpLayer.h"
#include "tests/native/support/Trace.h"

namespace testsupport {

// The server's answer to one opening of the URL.
struct Opening {
    bool fails = false;                         // OpenUrl gives no handle
    std::optional<std::string> status = "200";  // none: the status query fails
    std::optional<std::string> contentLength;   // none: the length query fails
    std::vector<std::string> chunks;            // delivered one per read, then the clean end
    std::optional<std::size_t> failingRead;     // this read (0-based) fails ...
    std::string failingReadBytes;               // ... after delivering these bytes
    std::uint32_t dialogAnswer = inet::kDialogNoError;
};

class FakeHttpLayer : public inet::HttpLayer {
public:
    explicit FakeHttpLayer(Trace& trace) : trace_(trace) {}

    bool sessionFails = false;
    bool setTimeoutThrows = false;
    std::string lastErrorText = "12029";
    std::vector<Opening> openings;

    std::vector<inet::HttpHandle> opened;         // every handle handed out, in order
    std::map<inet::HttpHandle, int> closeCounts;  // how often each handle was closed

    inet::HttpHandle OpenSession(const std::string& agent) override {
        trace_.Step("OpenSession");
        trace_.Add("OpenSession " + agent);
        return sessionFails ? inet::kNoHandle : NewHandle();
    }

    void SetTimeout(inet::HttpHandle handle, inet::TimeoutOption option,
                    std::uint32_t milliseconds) override {
        trace_.Step("SetTimeout");
        trace_.Add("SetTimeout " + std::to_string(handle) + " " +
                   std::to_string(static_cast<std::uint32_t>(option)) + " " + std::to_string(milliseconds));
        if (setTimeoutThrows) {
            throw std::runtime_error("option refused");
        }
    }

    inet::HttpHandle OpenUrl(inet::HttpHandle session, const std::string& url, std::uint32_t flags) override {
        trace_.Step("OpenUrl");
        char hexFlags[16];
        std::snprintf(hexFlags, sizeof hexFlags, "0x%08X", static_cast<unsigned>(flags));
        trace_.Add("OpenUrl " + std::to_string(session) + " " + url + " " + hexFlags);
        if (openingsUsed_ >= openings.size()) {
            ADD_FAILURE() << "URL opened more often than scripted";
            return inet::kNoHandle;
        }
        const std::size_t index = openingsUsed_++;
        if (openings[index].fails) {
            return inet::kNoHandle;
        }
        const inet::HttpHandle handle = NewHandle();
        requests_[handle] = RequestState{index, 0};
        return handle;
    }

    bool Query(inet::HttpHandle request, inet::HttpQuery query, std::string& text) override {
        trace_.Step("Query");
        trace_.Add("Query " + std::to_string(request) + " " +
                   std::to_string(static_cast<std::uint32_t>(query)));
        const Opening& opening = OpeningOf(request);
        const auto& value = query == inet::HttpQuery::StatusCode ? opening.status : opening.contentLength;
        if (value) {
            text = *value;
        }
        return value.has_value();
    }

    std::uint32_t ProxyAuthenticationDialog(inet::HttpHandle request) override {
        trace_.Step("Dialog");
        trace_.Add("Dialog " + std::to_string(request));
        return OpeningOf(request).dialogAnswer;
    }

    bool Read(inet::HttpHandle request, char* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
        trace_.Step("Read");
        trace_.Add("Read " + std::to_string(request) + " " + std::to_string(size));
        RequestState& state = requests_.at(request);
        const Opening& opening = openings[state.opening];
        const bool fails = opening.failingRead == state.reads;
        const std::string* piece = nullptr;
        if (fails) {
            piece = &opening.failingReadBytes;
        } else if (state.reads < opening.chunks.size()) {
            piece = &opening.chunks[state.reads];
        }
        if (!fails) {
            ++state.reads;  // a failed read is repeated if asked again
        }
        bytesRead = 0;
        if (piece != nullptr) {
            EXPECT_LE(piece->size(), size) << "scripted chunk larger than the read asks for";
            bytesRead = static_cast<std::uint32_t>(std::min<std::size_t>(piece->size(), size));
            std::memcpy(buffer, piece->data(), bytesRead);
        }
        return !fails;
    }

    void Close(inet::HttpHandle handle) noexcept override {
        trace_.Add("Close " + std::to_string(handle));
        ++closeCounts[handle];
    }

    std::string LastErrorText() override {
        trace_.Step("LastErrorText");
        return lastErrorText;
    }

private:
    struct RequestState {
        std::size_t opening = 0;
        std::size_t reads = 0;
    };

    inet::HttpHandle NewHandle() {
        opened.push_back(opened.size() + 1);
        return opened.back();
    }

    const Opening& OpeningOf(inet::HttpHandle request) const {
        return openings[requests_.at(request).opening];
    }

    Trace& trace_;
    std::size_t openingsUsed_ = 0;
    std::map<inet::HttpHandle, RequestState> requests_;
};

}  // namespace testsupport
