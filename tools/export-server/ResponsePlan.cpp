// Routing, type checking and the per-scenario answers of the export endpoint.
#include "ResponsePlan.h"

#include <cstdio>

#include "ExportBodies.h"
#include "Query.h"
#include "Scenario.h"

namespace exportserver {
namespace {

constexpr std::string_view kXmlType = "text/xml; charset=windows-1252";
constexpr std::string_view kTextType = "text/plain; charset=windows-1252";

// Sizes of the broken-framing scenarios.
constexpr std::uint64_t kShortAnnounced = 100000;
constexpr std::uint64_t kShortSent = 1000;
constexpr std::uint64_t kChunkBytes = 1000;
constexpr int kChunksBeforeCut = 3;
constexpr std::uint64_t kUnframedXmlBytes = 5000;
constexpr std::uint64_t kSlowBytes = 10 * 1024 * 1024;

ResponsePlan Answer(int status, std::string_view contentType, Body body, std::string contentLength) {
    ResponsePlan plan;
    plan.status = status;
    plan.headers.push_back({"Content-Type", std::string(contentType)});
    if (!contentLength.empty()) {
        plan.headers.push_back({"Content-Length", std::move(contentLength)});
    }
    plan.headers.push_back({"Connection", "close"});
    plan.body = std::move(body);
    return plan;
}

ResponsePlan Framed(int status, std::string_view contentType, Body body) {
    const std::uint64_t size = body.Size();
    return Answer(status, contentType, std::move(body), std::to_string(size));
}

ResponsePlan Text(std::string_view text) {
    return Framed(200, kTextType, Body(std::string(text)));
}

ResponsePlan Xml(std::string text) {
    return Framed(200, kXmlType, Body(std::move(text)));
}

std::string ChunkedCutBody() {
    const std::string xml = Body(GeneratedXml(kShortAnnounced)).ToString();
    std::string body;
    for (int i = 0; i < kChunksBeforeCut; ++i) {
        char sizeLine[32];
        std::snprintf(sizeLine, sizeof sizeLine, "%llx\r\n", static_cast<unsigned long long>(kChunkBytes));
        body += sizeLine;
        body.append(xml, static_cast<std::size_t>(i * kChunkBytes), kChunkBytes);
        body += "\r\n";
    }
    return body;
}

ResponsePlan PlanTransportScenario(const Scenario& scenario) {
    switch (scenario.kind) {
        case ScenarioKind::kHttpStatus: {
            ResponsePlan plan =
                Framed(scenario.code, kTextType, Body(std::string(ReasonPhrase(scenario.code)) + "\r\n"));
            if (scenario.code == 407) {
                plan.headers.push_back({"Proxy-Authenticate", "Basic realm=\"kalvento\""});
            }
            return plan;
        }
        case ScenarioKind::kEmpty:
            return Framed(200, kTextType, Body(std::string()));
        case ScenarioKind::kShort: {
            std::string partial = Body(GeneratedXml(kShortAnnounced)).ToString();
            partial.resize(kShortSent);
            return Answer(200, kXmlType, Body(std::move(partial)), std::to_string(kShortAnnounced));
        }
        case ScenarioKind::kChunkedCut: {
            ResponsePlan plan = Answer(200, kXmlType, Body(ChunkedCutBody()), {});
            plan.headers.insert(plan.headers.begin() + 1, {"Transfer-Encoding", "chunked"});
            return plan;
        }
        case ScenarioKind::kNoLength:
            return Answer(200, kXmlType, Body(GeneratedXml(kUnframedXmlBytes)), {});
        case ScenarioKind::kBadLength:
            return Answer(200, kXmlType, Body(GeneratedXml(kUnframedXmlBytes)), "abc");
        case ScenarioKind::kSlow: {
            ResponsePlan plan = Framed(200, kXmlType, Body(GeneratedXml(kSlowBytes)));
            plan.delivery = Delivery::kTrickle;
            return plan;
        }
        case ScenarioKind::kHang: {
            ResponsePlan plan;
            plan.delivery = Delivery::kHang;
            return plan;
        }
        case ScenarioKind::kClose: {
            ResponsePlan plan;
            plan.delivery = Delivery::kCloseWithoutAnswer;
            return plan;
        }
        default:
            return Text(ErrorBody(2));
    }
}

ResponsePlan PlanExport(std::string_view query) {
    const ExportQuery params = ParseExportQuery(query);
    const std::optional<RequestType> type = ParseRequestType(params.type);
    if (!type) {
        return PlanTextAnswer(400, "unknown type\r\n");
    }
    const bool reset = *type == RequestType::kReset;
    const Scenario scenario = SelectScenario(params.usr);
    switch (scenario.kind) {
        case ScenarioKind::kDemo:
            if (params.pwd != kDemoPassword) {
                return Text(ErrorBody(3));
            }
            return reset ? Text(kResetAck) : Xml(DemoExport(*type, params.dateTo));
        case ScenarioKind::kXmlSize:
            return reset ? Text(kResetAck) : Framed(200, kXmlType, Body(GeneratedXml(scenario.xmlBytes)));
        case ScenarioKind::kBytes:
            return reset ? Text(kResetAck) : Xml(std::string(kBytesBody));
        case ScenarioKind::kError:
            return reset ? Text(kResetAck) : Text(ErrorBody(scenario.code));
        case ScenarioKind::kErrorCodeInXmlData:
            return reset ? Text(kResetAck) : Xml(ErrorCodeInXmlDataExport());
        case ScenarioKind::kTwoErrorCodes:
            return reset ? Text(kResetAck) : Text(kTwoErrorCodesBody);
        case ScenarioKind::kNoResetAck:
            return reset ? Text(ErrorBody(1)) : Xml(DemoExport(*type, params.dateTo));
        case ScenarioKind::kUnknownUser:
            return Text(ErrorBody(2));
        default:
            return PlanTransportScenario(scenario);
    }
}

ResponsePlan PlanControl(std::string_view query) {
    for (const QueryParam& param : SplitQuery(query)) {
        if (param.key == "wronghost" && param.value == "1") {
            ResponsePlan plan = Text("ok");
            plan.armWrongHost = true;
            return plan;
        }
    }
    return PlanTextAnswer(400, "unknown control\r\n");
}

}  // namespace

ResponsePlan PlanTextAnswer(int status, std::string body) {
    return Framed(status, kTextType, Body(std::move(body)));
}

ResponsePlan PlanResponse(const RequestHead& request) {
    const auto [path, query] = SplitTarget(request.target);
    if (path != kExportPath && path != kControlPath) {
        return PlanTextAnswer(404, "not found\r\n");
    }
    if (request.method != "GET") {
        ResponsePlan plan = PlanTextAnswer(405, "only GET\r\n");
        plan.headers.push_back({"Allow", "GET"});
        return plan;
    }
    return path == kControlPath ? PlanControl(query) : PlanExport(query);
}

}  // namespace exportserver
