// Decides, without any I/O, what the server answers to one request on the TLS port.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "Body.h"
#include "HttpHead.h"

namespace exportserver {

inline constexpr std::string_view kExportPath = "/export/export/export.php";
inline constexpr std::string_view kControlPath = "/control";

enum class Delivery {
    kSend,                // head and body as planned, then close
    kTrickle,             // head, then kTricklePieceBytes every kTrickleInterval
    kHang,                // send nothing, hold the connection until the peer or the server gives up
    kCloseWithoutAnswer,  // close straight away
};

inline constexpr std::size_t kTricklePieceBytes = 4096;
inline constexpr std::chrono::milliseconds kTrickleInterval{50};

struct ResponsePlan {
    int status = 200;
    Headers headers;  // complete, including the framing headers (which may deliberately lie)
    Body body;        // exactly the bytes to send after the head (pre-encoded chunks for chunked answers)
    Delivery delivery = Delivery::kSend;
    bool armWrongHost = false;  // the next accepted TLS connection presents the wrong.example certificate
};

ResponsePlan PlanResponse(const RequestHead& request);

// Plain-text answer with a correct Content-Length, for requests that never reach a scenario.
ResponsePlan PlanTextAnswer(int status, std::string body);

}  // namespace exportserver
