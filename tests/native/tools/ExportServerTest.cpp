// Tests of the export server's pure logic: query decoding, scenarios, response plans and generated bodies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/export-server/BasicAuth.h"
#include "tools/export-server/Body.h"
#include "tools/export-server/ExportBodies.h"
#include "tools/export-server/GeneratedXml.h"
#include "tools/export-server/HttpHead.h"
#include "tools/export-server/Options.h"
#include "tools/export-server/ProxyPlan.h"
#include "tools/export-server/Query.h"
#include "tools/export-server/ResponsePlan.h"
#include "tools/export-server/Scenario.h"

namespace exportserver {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";

RequestHead Request(std::string method, std::string target) {
    RequestHead request;
    request.method = std::move(method);
    request.target = std::move(target);
    request.version = "HTTP/1.1";
    request.requestLine = request.method + " " + request.target + " HTTP/1.1";
    return request;
}

ResponsePlan PlanExportQuery(const std::string& query) {
    return PlanResponse(Request("GET", std::string(kExportPath) + "?" + query));
}

std::string HeaderOr(const ResponsePlan& plan, std::string_view name, std::string fallback = "<absent>") {
    const std::string* value = FindHeader(plan.headers, name);
    return value != nullptr ? *value : fallback;
}

// Maximal runs of exactly three digits: the markers a client looks for in an answer.
std::set<std::string> ThreeDigitMarkers(std::string_view text) {
    std::set<std::string> markers;
    for (std::size_t i = 0; i < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        if (end - i == 3) {
            markers.insert(std::string(text.substr(i, 3)));
        }
        i = end;
    }
    return markers;
}

bool MentionsXml(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower.find("xml") != std::string::npos;
}

// Accepts exactly: declaration, CRLF, <export>, then only whitespace and self-closed <record .../> elements,
// and </export> as the very last bytes.
bool IsGeneratedExportShape(std::string_view xml) {
    const std::string start = std::string(kDeclaration) + "\r\n<export>";
    if (!xml.starts_with(start) || !xml.ends_with("</export>")) {
        return false;
    }
    std::string_view inner =
        xml.substr(start.size(), xml.size() - start.size() - std::string_view("</export>").size());
    while (!inner.empty()) {
        if (inner.front() == ' ' || inner.front() == '\r' || inner.front() == '\n') {
            inner.remove_prefix(1);
            continue;
        }
        if (!inner.starts_with("<record ")) {
            return false;
        }
        const std::size_t close = inner.find("/>");
        if (close == std::string_view::npos || inner.substr(1, close).find('<') != std::string_view::npos) {
            return false;
        }
        inner.remove_prefix(close + 2);
    }
    return true;
}

// Walks a body through Piece() the way the server does and checks the pieces on the way.
std::string Assemble(const Body& body, std::size_t maxPiece) {
    std::string out;
    for (;;) {
        const std::string_view piece = body.Piece(out.size(), maxPiece);
        EXPECT_LE(piece.size(), maxPiece);
        if (piece.empty()) {
            break;
        }
        out += piece;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------
// Query decoding

struct DecodeCase {
    std::string input;
    std::string expected;
};

TEST(PercentDecodeTest, DecodesValidEscapesAndKeepsEverythingElse) {
    const std::vector<DecodeCase> cases = {
        {"geheim", "geheim"},
        {"a%26b", "a&b"},
        {"a%3Db", "a=b"},
        {"100%25", "100%"},
        {"M%FCnchen", "M\374nchen"},
        {"M%fcnchen", "M\374nchen"},
        {"%4a%4A", "JJ"},
        {"a+b", "a+b"},
        {"%2B", "+"},
        {"%00", std::string(1, '\0')},
        {"%", "%"},
        {"%4", "%4"},
        {"abc%", "abc%"},
        {"%G1", "%G1"},
        {"%1G", "%1G"},
        {"%%41", "%A"},
        {"%2541", "%41"},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(PercentDecode(c.input), c.expected) << "input " << c.input;
    }
}

struct SplitCase {
    std::string query;
    std::vector<std::pair<std::string, std::string>> expected;
};

TEST(SplitQueryTest, SplitsOnAmpersandAndFirstEquals) {
    const std::vector<SplitCase> cases = {
        {"", {}},
        {"usr=4711&pwd=geheim&type=0001", {{"usr", "4711"}, {"pwd", "geheim"}, {"type", "0001"}}},
        {"pwd=a%26b%3Dc", {{"pwd", "a&b=c"}}},
        {"pwd=a=b", {{"pwd", "a=b"}}},
        {"&&usr=1&", {{"usr", "1"}}},
        {"flag&usr=", {{"flag", ""}, {"usr", ""}}},
        {"u%73r=1", {{"u%73r", "1"}}},
        {"dateto=31.12.2023", {{"dateto", "31.12.2023"}}},
    };
    for (const SplitCase& c : cases) {
        std::vector<std::pair<std::string, std::string>> actual;
        for (const QueryParam& param : SplitQuery(c.query)) {
            actual.emplace_back(param.key, param.value);
        }
        EXPECT_EQ(actual, c.expected) << "query " << c.query;
    }
}

TEST(ParseExportQueryTest, PicksKnownKeysFirstOccurrenceWins) {
    const ExportQuery query =
        ParseExportQuery("x=1&usr=4711&pwd=geh%65im&usr=other&type=0004&dateto=01.02.2024&pwd=second");
    EXPECT_EQ(query.usr, "4711");
    EXPECT_EQ(query.pwd, "geheim");
    EXPECT_EQ(query.type, "0004");
    EXPECT_EQ(query.dateTo, "01.02.2024");

    const ExportQuery empty = ParseExportQuery("");
    EXPECT_EQ(empty.usr, "");
    EXPECT_EQ(empty.type, "");
}

// ---------------------------------------------------------------------------------------------------------
// Scenario selection

struct ByteCountCase {
    std::string text;
    std::optional<std::uint64_t> expected;
};

TEST(ParseByteCountTest, AcceptsDigitsWithOptionalSuffix) {
    const std::vector<ByteCountCase> cases = {
        {"0", 0},
        {"128", 128},
        {"1K", 1024},
        {"2k", 2048},
        {"64M", 64ull * 1024 * 1024},
        {"3m", 3ull * 1024 * 1024},
        {"18446744073709551615", 18446744073709551615ull},
        {"", std::nullopt},
        {"K", std::nullopt},
        {"12X", std::nullopt},
        {"1KK", std::nullopt},
        {"-1", std::nullopt},
        {" 1", std::nullopt},
        {"1G", std::nullopt},
        {"18446744073709551616", std::nullopt},
        {"17592186044416M", std::nullopt},
    };
    for (const ByteCountCase& c : cases) {
        EXPECT_EQ(ParseByteCount(c.text), c.expected) << "text '" << c.text << "'";
    }
}

struct ScenarioCase {
    std::string usr;
    ScenarioKind kind;
    std::uint64_t xmlBytes = 0;
    int code = 0;
};

TEST(SelectScenarioTest, MapsEveryUsrValue) {
    const std::vector<ScenarioCase> cases = {
        {"4711", ScenarioKind::kDemo},
        {"xml-64M", ScenarioKind::kXmlSize, 64ull * 1024 * 1024},
        {"xml-1K", ScenarioKind::kXmlSize, 1024},
        {"xml-5000", ScenarioKind::kXmlSize, 5000},
        {"xml-128", ScenarioKind::kXmlSize, 128},
        {"xml-127", ScenarioKind::kXmlSize, 128},
        {"xml-0", ScenarioKind::kXmlSize, 128},
        {"xml-", ScenarioKind::kUnknownUser},
        {"xml-12Q", ScenarioKind::kUnknownUser},
        {"bytes", ScenarioKind::kBytes},
        {"err001", ScenarioKind::kError, 0, 1},
        {"err004", ScenarioKind::kError, 0, 4},
        {"err008", ScenarioKind::kError, 0, 8},
        {"err000", ScenarioKind::kUnknownUser},
        {"err009", ScenarioKind::kUnknownUser},
        {"err01", ScenarioKind::kUnknownUser},
        {"err003-xml", ScenarioKind::kErrorCodeInXmlData},
        {"err003-001", ScenarioKind::kTwoErrorCodes},
        {"noack", ScenarioKind::kNoResetAck},
        {"http401", ScenarioKind::kHttpStatus, 0, 401},
        {"http403", ScenarioKind::kHttpStatus, 0, 403},
        {"http404", ScenarioKind::kHttpStatus, 0, 404},
        {"http407", ScenarioKind::kHttpStatus, 0, 407},
        {"http500", ScenarioKind::kHttpStatus, 0, 500},
        {"http503", ScenarioKind::kHttpStatus, 0, 503},
        {"http402", ScenarioKind::kUnknownUser},
        {"http200", ScenarioKind::kUnknownUser},
        {"empty", ScenarioKind::kEmpty},
        {"short", ScenarioKind::kShort},
        {"chunked-cut", ScenarioKind::kChunkedCut},
        {"nolength", ScenarioKind::kNoLength},
        {"badlength", ScenarioKind::kBadLength},
        {"slow", ScenarioKind::kSlow},
        {"hang", ScenarioKind::kHang},
        {"close", ScenarioKind::kClose},
        {"", ScenarioKind::kUnknownUser},
        {"4712", ScenarioKind::kUnknownUser},
        {"Bytes", ScenarioKind::kUnknownUser},
        {"hang ", ScenarioKind::kUnknownUser},
    };
    for (const ScenarioCase& c : cases) {
        const Scenario scenario = SelectScenario(c.usr);
        EXPECT_EQ(scenario.kind, c.kind) << "usr '" << c.usr << "'";
        if (c.kind == ScenarioKind::kXmlSize) {
            EXPECT_EQ(scenario.xmlBytes, c.xmlBytes) << "usr " << c.usr;
        }
        if (c.kind == ScenarioKind::kError || c.kind == ScenarioKind::kHttpStatus) {
            EXPECT_EQ(scenario.code, c.code) << "usr " << c.usr;
        }
    }
}

TEST(ParseRequestTypeTest, KnowsExactlyTheThreeTypes) {
    EXPECT_EQ(ParseRequestType("0003"), RequestType::kReset);
    EXPECT_EQ(ParseRequestType("0001"), RequestType::kComplete);
    EXPECT_EQ(ParseRequestType("0004"), RequestType::kDelta);
    for (const char* other : {"", "0002", "0005", "1", "3", "00030", " 0001", "0001 "}) {
        EXPECT_EQ(ParseRequestType(other), std::nullopt) << "type '" << other << "'";
    }
}

TEST(HelpTextTest, ListsEveryNamedScenario) {
    const std::string help = HelpText();
    for (const char* usr :
         {"4711",    "xml-N",       "bytes",    "err001",    "err008",  "err003-xml", "err003-001", "noack",
          "httpNNN", "401",         "403",      "404",       "http407", "500",        "503",        "empty",
          "short",   "chunked-cut", "nolength", "badlength", "slow",    "hang",       "close"}) {
        EXPECT_THAT(help, HasSubstr(usr));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Response plans of the regular scenarios: status, content type, exact or recognisable body, framing

enum class Kind { kText, kXml };

struct PlanCase {
    std::string query;
    int status;
    Kind kind;
    std::optional<std::string> body;        // exact body, when the answer is a fixed text
    std::vector<std::string> bodyContains;  // otherwise these must occur
};

const std::string kAck = "007 Exportstatus zurueckgesetzt\r\n";
const std::string kWrongPassword = "ERROR 003 Passwort nicht korrekt\r\n";
const std::string kUnknownUser = "ERROR 002 User unbekannt\r\n";

TEST(PlanResponseTest, RegularScenariosAnswerAsDocumented) {
    const std::vector<PlanCase> cases = {
        {"usr=4711&pwd=geheim&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=4711&pwd=geheim&type=0001",
         200,
         Kind::kXml,
         {},
         {"kind=\"complete\"", "<fund ", "<transaction "}},
        {"usr=4711&pwd=geheim&type=0004&dateto=31.12.2023", 200, Kind::kXml, {}, {"dateto=\"31.12.2023\""}},
        {"usr=4711&pwd=geheim&type=0004&dateto=%3Cx%22%26y",
         200,
         Kind::kXml,
         {},
         {"dateto=\"&lt;x&quot;&amp;y\""}},
        {"usr=4711&pwd=%67eheim&type=0001", 200, Kind::kXml, {}, {"kind=\"complete\""}},
        {"usr=4711&pwd=wrong&type=0003", 200, Kind::kText, kWrongPassword, {}},
        {"usr=4711&pwd=wrong&type=0001", 200, Kind::kText, kWrongPassword, {}},
        {"usr=4711&pwd=Geheim&type=0004&dateto=31.12.2023", 200, Kind::kText, kWrongPassword, {}},
        {"usr=4711&type=0001", 200, Kind::kText, kWrongPassword, {}},
        {"usr=xml-1K&pwd=x&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=bytes&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=bytes&type=0001", 200, Kind::kXml, std::string(kBytesBody), {}},
        {"usr=bytes&type=0004&dateto=01.01.2024", 200, Kind::kXml, std::string(kBytesBody), {}},
        {"usr=err001&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=err001&type=0001", 200, Kind::kText, "ERROR 001 Login fehlgeschlagen\r\n", {}},
        {"usr=err002&type=0001", 200, Kind::kText, "ERROR 002 User unbekannt\r\n", {}},
        {"usr=err003&type=0001", 200, Kind::kText, "ERROR 003 Passwort nicht korrekt\r\n", {}},
        {"usr=err004&type=0001", 200, Kind::kText, "ERROR 004\r\n", {}},
        {"usr=err005&type=0004&dateto=01.01.2024",
         200,
         Kind::kText,
         "ERROR 005 Keine aktuellen Daten vorhanden\r\n",
         {}},
        {"usr=err006&type=0001", 200, Kind::kText, "ERROR 006 Export nicht vollstaendig\r\n", {}},
        {"usr=err007&type=0001", 200, Kind::kText, "ERROR 007\r\n", {}},
        {"usr=err008&type=0001", 200, Kind::kText, "ERROR 008 Datenbankfehler\r\n", {}},
        {"usr=err003-xml&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=err003-xml&type=0001", 200, Kind::kXml, {}, {"003", "</export>"}},
        {"usr=err003-001&type=0003", 200, Kind::kText, kAck, {}},
        {"usr=err003-001&type=0001", 200, Kind::kText, {}, {"003", "001"}},
        {"usr=noack&type=0003", 200, Kind::kText, "ERROR 001 Login fehlgeschlagen\r\n", {}},
        {"usr=noack&type=0001", 200, Kind::kXml, {}, {"kind=\"complete\"", "<fund "}},
        {"usr=noack&type=0004&dateto=02.01.2024", 200, Kind::kXml, {}, {"dateto=\"02.01.2024\""}},
        {"usr=http401&type=0003", 401, Kind::kText, {}, {}},
        {"usr=http403&type=0001", 403, Kind::kText, {}, {}},
        {"usr=http404&type=0001", 404, Kind::kText, {}, {}},
        {"usr=http500&type=0004&dateto=01.01.2024", 500, Kind::kText, {}, {}},
        {"usr=http503&type=0001", 503, Kind::kText, {}, {}},
        {"usr=http407&type=0001", 407, Kind::kText, {}, {}},
        {"usr=empty&type=0001", 200, Kind::kText, "", {}},
        {"usr=empty&type=0003", 200, Kind::kText, "", {}},
        {"usr=nobody&type=0001", 200, Kind::kText, kUnknownUser, {}},
        {"usr=nobody&type=0003", 200, Kind::kText, kUnknownUser, {}},
        {"type=0001", 200, Kind::kText, kUnknownUser, {}},
        {"usr=4711&pwd=geheim&type=0002", 400, Kind::kText, {}, {}},
        {"usr=4711&pwd=geheim", 400, Kind::kText, {}, {}},
        {"usr=http500&type=9", 400, Kind::kText, {}, {}},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.query);
        const ResponsePlan plan = PlanExportQuery(c.query);
        const std::string body = plan.body.ToString();
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.delivery, Delivery::kSend);
        EXPECT_FALSE(plan.armWrongHost);
        EXPECT_EQ(HeaderOr(plan, "Content-Type"), c.kind == Kind::kXml ? "text/xml; charset=windows-1252"
                                                                       : "text/plain; charset=windows-1252");
        EXPECT_EQ(HeaderOr(plan, "Content-Length"), std::to_string(body.size()));
        EXPECT_EQ(HeaderOr(plan, "Connection"), "close");
        EXPECT_EQ(HeaderOr(plan, "Transfer-Encoding"), "<absent>");
        if (c.body) {
            EXPECT_EQ(body, *c.body);
        }
        for (const std::string& part : c.bodyContains) {
            EXPECT_THAT(body, HasSubstr(part));
        }
        if (c.kind == Kind::kXml) {
            EXPECT_THAT(body, StartsWith(std::string(kDeclaration) + "\r\n<export"));
            EXPECT_THAT(body, EndsWith("</export>\r\n"));
        }
        if (c.status != 200) {
            EXPECT_FALSE(body.empty());
        }
    }
}

TEST(PlanResponseTest, OnlyProxyStatusCarriesProxyAuthenticate) {
    for (const char* usr : {"http401", "http403", "http404", "http407", "http500", "http503", "4711"}) {
        SCOPED_TRACE(usr);
        const ResponsePlan plan = PlanExportQuery(std::string("usr=") + usr + "&pwd=geheim&type=0001");
        const bool expected = std::string_view(usr) == "http407";
        EXPECT_EQ(HeaderOr(plan, "Proxy-Authenticate"), expected ? "Basic realm=\"kalvento\"" : "<absent>");
    }
}

TEST(PlanResponseTest, DemoExportIsAboutTwoKilobytesAndDeltaDiffersOnlyInRootElement) {
    const std::string complete = PlanExportQuery("usr=4711&pwd=geheim&type=0001").body.ToString();
    const std::string delta =
        PlanExportQuery("usr=4711&pwd=geheim&type=0004&dateto=31.12.2023").body.ToString();
    EXPECT_GE(complete.size(), 1500u);
    EXPECT_LE(complete.size(), 3000u);
    const auto afterRoot = [](const std::string& xml) {
        return xml.substr(xml.find('>', xml.find("<export")));
    };
    EXPECT_EQ(afterRoot(complete), afterRoot(delta));
    EXPECT_THAT(complete, Not(HasSubstr("dateto")));
}

// Error answers must carry their own marker only and nothing the client could take for an XML export.
struct MarkerCase {
    std::string query;
    std::set<std::string> markers;
};

TEST(PlanResponseTest, ErrorBodiesCarryOnlyTheirOwnMarker) {
    const std::vector<MarkerCase> cases = {
        {"usr=err001&type=0001", {"001"}},
        {"usr=err002&type=0001", {"002"}},
        {"usr=err003&type=0001", {"003"}},
        {"usr=err004&type=0001", {"004"}},
        {"usr=err005&type=0001", {"005"}},
        {"usr=err006&type=0001", {"006"}},
        {"usr=err007&type=0001", {"007"}},
        {"usr=err008&type=0001", {"008"}},
        {"usr=err003-001&type=0001", {"003", "001"}},
        {"usr=4711&pwd=x&type=0001", {"003"}},
        {"usr=4711&pwd=x&type=0003", {"003"}},
        {"usr=nobody&type=0001", {"002"}},
        {"usr=noack&type=0003", {"001"}},
        {"usr=err005&type=0003", {"007"}},
        {"usr=4711&pwd=geheim&type=0003", {"007"}},
        {"usr=http500&type=0001", {}},
        {"usr=http407&type=0001", {}},
    };
    for (const MarkerCase& c : cases) {
        SCOPED_TRACE(c.query);
        const std::string body = PlanExportQuery(c.query).body.ToString();
        EXPECT_EQ(ThreeDigitMarkers(body), c.markers) << body;
        EXPECT_FALSE(MentionsXml(body)) << body;
    }
}

TEST(PlanResponseTest, ErrorCodeInsideXmlDataIsAnXmlExport) {
    const std::string body = PlanExportQuery("usr=err003-xml&type=0001").body.ToString();
    EXPECT_THAT(body, StartsWith(std::string(kDeclaration)));
    EXPECT_EQ(ThreeDigitMarkers(body).count("003"), 1u);
    EXPECT_EQ(body.find("001"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------------
// Scenarios whose framing is broken on purpose

struct FramingCase {
    std::string usr;
    Delivery delivery;
    std::string contentLength;  // "<absent>" when missing
    std::string transferEncoding;
    std::uint64_t bodyBytes;
};

TEST(PlanResponseTest, BrokenFramingScenariosLieExactlyAsIntended) {
    const std::vector<FramingCase> cases = {
        {"short", Delivery::kSend, "100000", "<absent>", 1000},
        {"chunked-cut", Delivery::kSend, "<absent>", "chunked", 3 * (5 + 1000 + 2)},
        {"nolength", Delivery::kSend, "<absent>", "<absent>", 5000},
        {"badlength", Delivery::kSend, "abc", "<absent>", 5000},
        {"slow", Delivery::kTrickle, "10485760", "<absent>", 10485760},
    };
    for (const FramingCase& c : cases) {
        for (const char* type : {"0003", "0001"}) {
            SCOPED_TRACE(c.usr + " type " + type);
            const ResponsePlan plan = PlanExportQuery("usr=" + c.usr + "&type=" + type);
            EXPECT_EQ(plan.status, 200);
            EXPECT_EQ(plan.delivery, c.delivery);
            EXPECT_EQ(HeaderOr(plan, "Content-Length"), c.contentLength);
            EXPECT_EQ(HeaderOr(plan, "Transfer-Encoding"), c.transferEncoding);
            EXPECT_EQ(HeaderOr(plan, "Content-Type"), "text/xml; charset=windows-1252");
            EXPECT_EQ(HeaderOr(plan, "Connection"), "close");
            EXPECT_EQ(plan.body.Size(), c.bodyBytes);
        }
    }
}

TEST(PlanResponseTest, UnframedBodiesAreCompleteExports) {
    for (const char* usr : {"nolength", "badlength"}) {
        SCOPED_TRACE(usr);
        EXPECT_TRUE(IsGeneratedExportShape(
            PlanExportQuery(std::string("usr=") + usr + "&type=0001").body.ToString()));
    }
    const ResponsePlan slow = PlanExportQuery("usr=slow&type=0001");
    EXPECT_TRUE(IsGeneratedExportShape(slow.body.ToString()));
}

TEST(PlanResponseTest, ShortBodyIsTheStartOfAnExport) {
    const std::string body = PlanExportQuery("usr=short&type=0001").body.ToString();
    EXPECT_THAT(body, StartsWith(std::string(kDeclaration) + "\r\n<export>"));
    EXPECT_THAT(body, Not(HasSubstr("</export>")));
}

TEST(PlanResponseTest, ChunkedCutSendsThreeWellFormedChunksAndNoTerminator) {
    const std::string body = PlanExportQuery("usr=chunked-cut&type=0001").body.ToString();
    std::string_view rest = body;
    std::string payload;
    int chunks = 0;
    while (!rest.empty()) {
        const std::size_t eol = rest.find("\r\n");
        ASSERT_NE(eol, std::string_view::npos);
        const std::size_t size = std::stoul(std::string(rest.substr(0, eol)), nullptr, 16);
        ASSERT_NE(size, 0u) << "the terminating chunk must be missing";
        ASSERT_GE(rest.size(), eol + 2 + size + 2);
        payload += rest.substr(eol + 2, size);
        EXPECT_EQ(rest.substr(eol + 2 + size, 2), "\r\n");
        rest.remove_prefix(eol + 2 + size + 2);
        ++chunks;
    }
    EXPECT_EQ(chunks, 3);
    EXPECT_EQ(payload.size(), 3000u);
    EXPECT_THAT(payload, StartsWith(std::string(kDeclaration)));
}

TEST(PlanResponseTest, HangAndCloseSendNothing) {
    const std::vector<std::pair<std::string, Delivery>> cases = {{"hang", Delivery::kHang},
                                                                 {"close", Delivery::kCloseWithoutAnswer}};
    for (const auto& [usr, delivery] : cases) {
        for (const char* type : {"0003", "0001", "0004"}) {
            SCOPED_TRACE(usr + " " + type);
            const ResponsePlan plan = PlanExportQuery("usr=" + usr + "&type=" + type + "&dateto=01.01.2024");
            EXPECT_EQ(plan.delivery, delivery);
            EXPECT_EQ(plan.body.Size(), 0u);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Routing and the wrong-host control

struct RouteCase {
    std::string method;
    std::string target;
    int status;
    bool arms;
};

TEST(PlanResponseTest, RoutesPathsAndControl) {
    const std::vector<RouteCase> cases = {
        {"GET", "/control?wronghost=1", 200, true},
        {"GET", "/control?x=2&wronghost=1", 200, true},
        {"GET", "/control", 400, false},
        {"GET", "/control?wronghost=0", 400, false},
        {"GET", "/", 404, false},
        {"GET", "/export/export/export.php/", 404, false},
        {"GET", "/export/export.php?usr=4711&pwd=geheim&type=0001", 404, false},
        {"GET", "/EXPORT/export/export.php?usr=4711&pwd=geheim&type=0001", 404, false},
        {"GET", "/export/export/export.php?usr=4711&pwd=geheim&type=0001", 200, false},
        {"POST", "/export/export/export.php?usr=4711&pwd=geheim&type=0001", 405, false},
        {"HEAD", "/control?wronghost=1", 405, false},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.method + " " + c.target);
        const ResponsePlan plan = PlanResponse(Request(c.method, c.target));
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.armWrongHost, c.arms);
        EXPECT_EQ(HeaderOr(plan, "Connection"), "close");
        EXPECT_EQ(HeaderOr(plan, "Content-Length"), std::to_string(plan.body.Size()));
        if (c.arms) {
            EXPECT_EQ(plan.body.ToString(), "ok");
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Generated XML of exact size

TEST(GeneratedXmlTest, HasExactSizeAndShapeForManySizes) {
    const std::vector<std::uint64_t> sizes = {128,   129,   130,        189,     190,
                                              1000,  1024,  5000,       16383,   16384,
                                              16385, 65536, 65536 + 61, 1048576, 3 * 1048576 + 7};
    for (const std::uint64_t size : sizes) {
        SCOPED_TRACE(size);
        const Body body{GeneratedXml(size)};
        EXPECT_EQ(body.Size(), size);
        for (const std::size_t piece : {std::size_t{16384}, std::size_t{1000}, std::size_t{7}}) {
            if (size > 100000 && piece < 1000) {
                continue;
            }
            const std::string xml = Assemble(body, piece);
            EXPECT_EQ(xml.size(), size);
            EXPECT_TRUE(IsGeneratedExportShape(xml));
        }
    }
}

TEST(GeneratedXmlTest, SmallSizesAreClampedAndStillHoldARecord) {
    for (const std::uint64_t size :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{127}, std::uint64_t{128}}) {
        SCOPED_TRACE(size);
        const std::string xml = Body(GeneratedXml(size)).ToString();
        EXPECT_EQ(xml.size(), 128u);
        EXPECT_TRUE(IsGeneratedExportShape(xml));
        EXPECT_THAT(xml, HasSubstr("<record "));
    }
}

TEST(GeneratedXmlTest, PiecesAtArbitraryOffsetsMatchTheWholeDocument) {
    const Body body{GeneratedXml(300000)};
    const std::string whole = Assemble(body, 16384);
    for (const std::uint64_t offset :
         {0ull, 1ull, 56ull, 57ull, 58ull, 63000ull, 63974ull, 299990ull, 299999ull}) {
        SCOPED_TRACE(offset);
        const std::string_view piece = body.Piece(offset, 4096);
        ASSERT_FALSE(piece.empty());
        EXPECT_EQ(piece, std::string_view(whole).substr(offset, piece.size()));
    }
    EXPECT_TRUE(body.Piece(300000, 4096).empty());
    EXPECT_TRUE(body.Piece(400000, 4096).empty());
}

TEST(GeneratedXmlTest, SixtyFourMebibyteExportStreamsInFullPieces) {
    const ResponsePlan plan = PlanExportQuery("usr=xml-64M&type=0001");
    ASSERT_EQ(plan.body.Size(), 64ull * 1024 * 1024);
    EXPECT_EQ(HeaderOr(plan, "Content-Length"), "67108864");
    std::uint64_t total = 0;
    std::uint64_t shortPieces = 0;
    std::string tail;
    for (std::string_view piece = plan.body.Piece(0, 16384); !piece.empty();
         piece = plan.body.Piece(total, 16384)) {
        shortPieces += piece.size() < 16384 ? 1 : 0;
        total += piece.size();
        tail = std::string(piece);
    }
    EXPECT_EQ(total, 64ull * 1024 * 1024);
    EXPECT_THAT(tail, EndsWith("</export>"));
    // Full pieces are full TLS records; only the seams around the records may cut a piece short.
    EXPECT_LE(shortPieces, 4u);
}

// ---------------------------------------------------------------------------------------------------------
// Fixed bodies

TEST(ExportBodiesTest, BytesBodyHoldsTheAgreedBytes) {
    const std::string expected =
        std::string("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<export>") +
        std::string{'\x00', '\377', '\x0D', '\x0A', '\374'} + "</export>\r\n";
    EXPECT_EQ(std::string(kBytesBody), expected);
    EXPECT_EQ(kBytesBody.size(), 47u + 8u + 5u + 11u);
}

TEST(ExportBodiesTest, XmlEscapeReplacesMarkupCharacters) {
    EXPECT_EQ(XmlEscape("31.12.2023"), "31.12.2023");
    EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
}

// ---------------------------------------------------------------------------------------------------------
// Request heads

TEST(HttpHeadTest, FindsTheEndOfTheHead) {
    const std::vector<std::pair<std::string, std::optional<std::size_t>>> cases = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", 27},
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\nextra", 27},
        {"GET / HTTP/1.1\n\n", 16},
        {"GET / HTTP/1.1\r\nHost: x\r\n", std::nullopt},
        {"GET / HTTP/1.1\r\nHost: x\r\n\r", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [buffer, expected] : cases) {
        EXPECT_EQ(FindHeadEnd(buffer), expected) << buffer;
    }
}

TEST(HttpHeadTest, ParsesRequestLineAndHeaders) {
    const std::string head =
        "CONNECT localhost:48443 HTTP/1.1\r\nHost: localhost:48443\r\nproxy-authorization:  Basic abc= "
        "\r\n\r\n";
    const std::optional<RequestHead> request = ParseRequestHead(head);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->requestLine, "CONNECT localhost:48443 HTTP/1.1");
    EXPECT_EQ(request->method, "CONNECT");
    EXPECT_EQ(request->target, "localhost:48443");
    EXPECT_EQ(request->version, "HTTP/1.1");
    ASSERT_NE(FindHeader(request->headers, "Proxy-Authorization"), nullptr);
    EXPECT_EQ(*FindHeader(request->headers, "Proxy-Authorization"), "Basic abc=");
    EXPECT_EQ(FindHeader(request->headers, "Cookie"), nullptr);
}

TEST(HttpHeadTest, RejectsMalformedHeads) {
    for (const char* head :
         {"\r\n\r\n", "GET\r\n\r\n", "GET /\r\n\r\n", "GET  / HTTP/1.1\r\n\r\n", "GET / FTP/1.0\r\n\r\n",
          "GET / HTTP/1.1\r\nNoColon\r\n\r\n", "GET / HTTP/1.1\r\n: value\r\n\r\n"}) {
        EXPECT_FALSE(ParseRequestHead(head).has_value()) << head;
    }
}

TEST(HttpHeadTest, RequestLineIsKeptRawForTheLog) {
    EXPECT_EQ(RequestLineOf(
                  "GET /export/export/export.php?usr=4711&pwd=geheim&type=0001 HTTP/1.1\r\nHost: a\r\n\r\n"),
              "GET /export/export/export.php?usr=4711&pwd=geheim&type=0001 HTTP/1.1");
    EXPECT_EQ(RequestLineOf("GET /a%20b  HTTP/1.0\n\n"), "GET /a%20b  HTTP/1.0");
}

TEST(HttpHeadTest, SerialisesStatusLineHeadersAndBlankLine) {
    EXPECT_EQ(SerializeResponseHead(407, {{"Content-Length", "0"}, {"Connection", "close"}}),
              "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

// ---------------------------------------------------------------------------------------------------------
// Proxy authentication

TEST(BasicAuthTest, DecodesBase64) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"", ""},
        {"QQ==", "A"},
        {"QQ", "A"},
        {"QUI=", "AB"},
        {"QUJD", "ABC"},
        {"/+8=", "\377\357"},
        {"Q", std::nullopt},
        {"QU!D", std::nullopt},
        {"QU JD", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Base64Decode(text), expected) << text;
    }
}

TEST(BasicAuthTest, MatchesOnlyTheConfiguredCredentials) {
    struct Case {
        std::string header;
        std::string credentials;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"Basic cHJveHl1c2VyOnByb3h5cGFzcw==", "proxyuser:proxypass", true},
        {"basic cHJveHl1c2VyOnByb3h5cGFzcw==", "proxyuser:proxypass", true},
        {"BASIC cHJveHl1c2VyOnByb3h5cGFzcw==", "proxyuser:proxypass", true},
        {"  Basic   cHJveHl1c2VyOnByb3h5cGFzcw==  ", "proxyuser:proxypass", true},
        {"Basic cHJveHl1c2VyOnByb3h5cGFzcw", "proxyuser:proxypass", true},
        {"Basic dTpwOnE=", "u:p:q", true},
        {"Basic YWxpY2U6czNjcmV0", "alice:s3cret", true},
        {"Basic cHJveHl1c2VyOndyb25n", "proxyuser:proxypass", false},
        {"Basic cHJveHl1c2VyOnByb3h5cGFz", "proxyuser:proxypass", false},
        {"Basic cHJveHl1c2VyOnByb3h5cGFzcwo=", "proxyuser:proxypass", false},
        {"Basic cHJveHl1c2VyOnByb3h5cGFzcw==", "alice:s3cret", false},
        {"Bearer cHJveHl1c2VyOnByb3h5cGFzcw==", "proxyuser:proxypass", false},
        {"Basiccc cHJveHl1c2VyOnByb3h5cGFzcw==", "proxyuser:proxypass", false},
        {"Basic", "proxyuser:proxypass", false},
        {"Basic ", "", false},
        {"", "proxyuser:proxypass", false},
        {"Basic !!!!", "proxyuser:proxypass", false},
        {"Basic cHJveHl1c2VyOnByb3h5cGFzcw==x", "proxyuser:proxypass", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BasicCredentialsMatch(c.header, c.credentials), c.matches)
            << c.header << " / " << c.credentials;
    }
}

TEST(ProxyPlanTest, ConnectNeedsCredentialsAndOtherMethodsAreRefused) {
    struct Case {
        std::string method;
        std::vector<Header> headers;
        std::string credentials;
        ProxyAction action;
    };
    const std::string good = "Basic cHJveHl1c2VyOnByb3h5cGFzcw==";
    const std::vector<Case> cases = {
        {"CONNECT",
         {{"Host", "localhost:48443"}, {"Proxy-Authorization", good}},
         "proxyuser:proxypass",
         ProxyAction::kTunnel},
        {"CONNECT", {{"proxy-authorization", good}}, "proxyuser:proxypass", ProxyAction::kTunnel},
        {"CONNECT",
         {{"Proxy-Authorization", "Basic YWxpY2U6czNjcmV0"}},
         "alice:s3cret",
         ProxyAction::kTunnel},
        {"CONNECT", {}, "proxyuser:proxypass", ProxyAction::kRequireAuth},
        {"CONNECT", {{"Authorization", good}}, "proxyuser:proxypass", ProxyAction::kRequireAuth},
        {"CONNECT", {{"Proxy-Authorization", good}}, "alice:s3cret", ProxyAction::kRequireAuth},
        {"GET", {{"Proxy-Authorization", good}}, "proxyuser:proxypass", ProxyAction::kReject},
        {"connect", {{"Proxy-Authorization", good}}, "proxyuser:proxypass", ProxyAction::kReject},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " / " + c.credentials);
        RequestHead request = Request(c.method, "localhost:48443");
        request.headers = c.headers;
        const ProxyDecision decision = DecideProxyRequest(request, c.credentials);
        EXPECT_EQ(decision.action, c.action);
        switch (c.action) {
            case ProxyAction::kTunnel:
                EXPECT_EQ(decision.reply, "HTTP/1.1 200 Connection established\r\n\r\n");
                break;
            case ProxyAction::kRequireAuth:
                EXPECT_EQ(decision.reply,
                          "HTTP/1.1 407 Proxy Authentication Required\r\n"
                          "Proxy-Authenticate: Basic realm=\"kalvento-proxy\"\r\n"
                          "Content-Length: 0\r\nConnection: close\r\n\r\n");
                break;
            case ProxyAction::kReject: {
                EXPECT_THAT(decision.reply, StartsWith("HTTP/1.1 400 "));
                EXPECT_THAT(decision.reply, HasSubstr("Connection: close\r\n"));
                const std::size_t bodyStart = decision.reply.find("\r\n\r\n") + 4;
                EXPECT_THAT(decision.reply,
                            HasSubstr("Content-Length: " + std::to_string(decision.reply.size() - bodyStart) +
                                      "\r\n"));
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Command line

struct OptionsCase {
    std::vector<std::string_view> args;
    bool ok;
    std::string errorPart;
};

TEST(OptionsTest, AcceptsValidCommandLinesAndExplainsInvalidOnes) {
    const std::vector<OptionsCase> cases = {
        {{"--port", "48443", "--cert-dir", "certs"}, true, ""},
        {{"--port=48443", "--cert-dir=certs", "--proxy-port=48444", "--log=requests.log"}, true, ""},
        {{"--help"}, true, ""},
        {{"--cert-dir", "certs"}, false, "--port"},
        {{"--port", "48443"}, false, "--cert-dir"},
        {{"--port", "0", "--cert-dir", "c"}, false, "--port"},
        {{"--port", "65536", "--cert-dir", "c"}, false, "--port"},
        {{"--port", "12ab", "--cert-dir", "c"}, false, "--port"},
        {{"--port", "48443", "--cert-dir"}, false, "--cert-dir"},
        {{"--port", "48443", "--cert-dir", "c", "--verbose"}, false, "--verbose"},
        {{"--port", "48443", "--cert-dir", "c", "--proxy-port", "48443"}, false, "--proxy-port"},
        {{"--port", "48443", "--cert-dir", "c", "--proxy-credentials", "nocolon"}, false, "USER:PASS"},
        {{"--port", "48443", "--cert-dir", "c", "--log", ""}, false, "--log"},
    };
    for (const OptionsCase& c : cases) {
        const ParsedOptions parsed = ParseOptions(c.args);
        EXPECT_EQ(parsed.options.has_value(), c.ok) << (c.args.empty() ? "" : c.args.front());
        if (!c.ok) {
            EXPECT_THAT(parsed.error, HasSubstr(c.errorPart));
        }
    }
}

TEST(OptionsTest, FillsValuesAndDefaults) {
    const std::vector<std::string_view> minimal = {"--port", "48443", "--cert-dir", "certs"};
    const ParsedOptions defaults = ParseOptions(minimal);
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->port, 48443);
    EXPECT_EQ(defaults.options->certDir, "certs");
    EXPECT_FALSE(defaults.options->proxyPort.has_value());
    EXPECT_EQ(defaults.options->proxyCredentials, "proxyuser:proxypass");
    EXPECT_EQ(defaults.options->logFile, "");

    const std::vector<std::string_view> full = {"--port=1",     "--cert-dir", "d",
                                                "--proxy-port", "65535",      "--proxy-credentials",
                                                "a:b:c",        "--log",      "x.log"};
    const ParsedOptions parsed = ParseOptions(full);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->port, 1);
    EXPECT_EQ(parsed.options->proxyPort, 65535);
    EXPECT_EQ(parsed.options->proxyCredentials, "a:b:c");
    EXPECT_EQ(parsed.options->logFile, "x.log");
}

}  // namespace
}  // namespace exportserver
