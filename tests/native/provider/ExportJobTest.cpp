// One export run over a scripted environment: checks before anything is sent, the request sequence, the
// export file and the classification of the answer.
#include "provider/ExportJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/native/support/Cp1252.h"
#include "tests/native/support/FakeExportEnvironment.h"

namespace {

using testsupport::Cp1252;
using testsupport::ScriptedDownload;
using Events = std::vector<std::string>;

constexpr char kCredentials[] = "UserLogin=4711\r\nPassword=geheim\r\n";
constexpr char kTargetDir[] = "C:\\Import";
const std::string kFile = "C:\\Import\\kalvento_export_260203_140509.xml";
const std::string kBase =
    "Download https://export.example.test:443/export/export/export.php?usr=4711&pwd=geheim";
const std::string kResetRequest = kBase + "&type=0003 60";
const std::string kHistoryRequest = kBase + "&type=0001 300";
const std::string kDeltaRequest = kBase + "&type=0004&dateto=31.12.2025 300";
const std::string kPrepareLine = "Line Initial-Import vorbereiten ...";
const std::string kHistoryLine = "Line Initial-Import gestartet (komplette Historie)";
const std::string kDeltaLine = "Line Delta-Import gestartet (Update vom letzten Stand)";
constexpr char kXml[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><export/>";

// 31 December 2025, 18:30, as days since 30 December 1899.
double EveningOfNewYearsEve2025() {
    using namespace std::chrono;
    return (sys_days{2025y / December / 31} - sys_days{1899y / December / 30}).count() + 18.5 / 24;
}

std::string IncompleteLine(std::uint64_t bytes) {
    return "Line " + Cp1252("Fehler bei Download: Die angeforderte Datei wurde nur unvollständig geladen (") +
           std::to_string(bytes) + " Bytes geladen)";
}

class ExportJobTest : public ::testing::Test {
protected:
    std::int32_t Export(double lastImport, const char* credentials = kCredentials,
                        const char* dir = kTargetDir) {
        date_ = lastImport;
        return RunWith({dir, -1, 12345, &date_, credentials});
    }
    std::int32_t RunWith(const provider::ExportArguments& args) {
        return provider::RunExport(env, {"export.example.test", 443}, args);
    }
    void ExpectNothingHappened() const {
        EXPECT_EQ(env.trace.events, Events{});
        EXPECT_TRUE(env.files.empty());
    }

    testsupport::FakeExportEnvironment env;

private:
    double date_ = 0.0;
};

TEST_F(ExportJobTest, InitialImportResetsThenWritesTheCompleteHistory) {
    env.downloads = {{0, "OK 007"}, {0, kXml}};
    EXPECT_EQ(Export(0.0), 0);
    EXPECT_EQ(env.trace.events,
              (Events{kPrepareLine, kResetRequest, kHistoryLine, kHistoryRequest, "CreateFile " + kFile}));
    EXPECT_EQ(env.streamSizesOnEntry, (std::vector<std::uint64_t>{0, 0}))
        << "each request gets a fresh stream";
    ASSERT_EQ(env.files.size(), 1u);
    EXPECT_EQ(env.files[0].bytes, kXml);
    EXPECT_TRUE(env.files[0].committed);
}

TEST_F(ExportJobTest, DeltaImportRequestsTheChangesUpToTheDayOfTheLastImport) {
    env.downloads = {{0, kXml}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025()), 0);
    EXPECT_EQ(env.trace.events, (Events{kDeltaLine, kDeltaRequest, "CreateFile " + kFile}));
    ASSERT_EQ(env.files.size(), 1u);
    EXPECT_EQ(env.files[0].bytes, kXml);
    EXPECT_TRUE(env.files[0].committed);
}

TEST_F(ExportJobTest, CredentialsAreFoundInAnyCaseAndEncodedInTheUrl) {
    env.downloads = {{0, kXml}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025(), "userlogin=47 11\nPASSWORD=a&b=c%d\374"), 0);
    EXPECT_EQ(env.Downloads(),
              Events{"Download https://export.example.test:443/export/export/export.php?usr=47%2011"
                     "&pwd=a%26b%3Dc%25d%FC&type=0004&dateto=31.12.2025 300"});
}

struct ResetCase {
    const char* name;
    ScriptedDownload reset;
    std::int32_t result;
    Events lines;
};

class ResetRequest : public ExportJobTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetRequest, WithoutAcknowledgementNothingElseIsRequested) {
    env.downloads = {GetParam().reset, {0, kXml}};
    EXPECT_EQ(Export(0.0), GetParam().result);
    Events expected{kPrepareLine, kResetRequest};
    expected.insert(expected.end(), GetParam().lines.begin(), GetParam().lines.end());
    EXPECT_EQ(env.trace.events, expected);
    EXPECT_TRUE(env.files.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, ResetRequest,
                         ::testing::Values(ResetCase{"LoginFailed", {0, "001"}, -21, {}},
                                           ResetCase{"UserUnknown", {0, "ERROR 002"}, -22, {}},
                                           ResetCase{"PasswordWrong", {0, "ERROR 003 Passwort"}, -23, {}},
                                           ResetCase{"NoCurrentData", {0, "005"}, -25, {}},
                                           ResetCase{"XmlIncomplete", {0, "006"}, -26, {}},
                                           ResetCase{"DatabaseError", {0, "008"}, -28, {}},
                                           ResetCase{"FirstRuleWins", {0, "003 then 001"}, -21, {}},
                                           ResetCase{"NoNumber", {0, "refused"}, -12, {}},
                                           ResetCase{"UnknownNumber", {0, "004"}, -12, {}},
                                           ResetCase{"XmlOnly", {0, kXml}, -12, {}},
                                           ResetCase{"XmlWithErrorNumber", {0, kXml + std::string("003")}, -12, {}},
                                           ResetCase{"SplitMarker", {0, "00 7"}, -12, {}},
                                           ResetCase{"UrlFailed", {-3, ""}, -3, {}},
                                           ResetCase{"IncompleteDespiteMarker", {-7, "007"}, -7, {}},
                                           ResetCase{"Cancelled", {-1015, "0"}, -1015, {}},
                                           ResetCase{
                                               "OutOfMemory", {0, "007ab", true}, -7, {IncompleteLine(5)}}),
                         [](const auto& info) { return std::string(info.param.name); });

class DataRequestFailure : public ExportJobTest,
                           public ::testing::WithParamInterface<std::tuple<std::int32_t, bool>> {};

TEST_P(DataRequestFailure, PassesTheDownloadCodeAndWritesNoFile) {
    const auto [code, initial] = GetParam();
    env.downloads = {{0, "007"}, {code, "partial"}};
    if (!initial) {
        env.downloads.pop_front();
    }
    EXPECT_EQ(Export(initial ? 0.0 : EveningOfNewYearsEve2025()), code);
    EXPECT_EQ(env.Downloads().size(), initial ? 2u : 1u);
    EXPECT_TRUE(env.files.empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, DataRequestFailure,
                         ::testing::Combine(::testing::Values(-1, -2, -3, -4, -5, -6, -7, -8, -9, -1015),
                                            ::testing::Bool()));

TEST_F(ExportJobTest, OutOfMemoryDuringTheDataRequestIsAnIncompleteDownload) {
    env.downloads = {{0, "<?xml", true}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025()), -7);
    EXPECT_EQ(env.trace.events, (Events{kDeltaLine, kDeltaRequest, IncompleteLine(5)}));
    EXPECT_TRUE(env.files.empty());
}

TEST_F(ExportJobTest, StreamOverflowNamesWhatArrivedBeforeTheMemoryRanOut) {
    env.downloads = {{.result = 0, .body = "<?xml", .outOfMemory = false, .overflowAfter = 1825570816u}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025()), -7);
    EXPECT_EQ(env.trace.events, (Events{kDeltaLine, kDeltaRequest, IncompleteLine(1825570816u)}));
    EXPECT_TRUE(env.files.empty());
}

struct AnswerCase {
    std::string answer;
    std::int32_t result;
};

class Classification : public ExportJobTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(Classification, AnswerIsWrittenToTheFileAndClassified) {
    env.downloads = {{0, GetParam().answer}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025()), GetParam().result);
    ASSERT_EQ(env.files.size(), 1u);
    EXPECT_EQ(env.files[0].path, kFile);
    EXPECT_TRUE(env.files[0].bytes == GetParam().answer);
    EXPECT_TRUE(env.files[0].committed);
}

const std::string kBorderPadding(inet::MemoryStream::kSegmentSize - 1, ' ');

INSTANTIATE_TEST_SUITE_P(
    Answers, Classification,
    ::testing::Values(AnswerCase{kXml, 0}, AnswerCase{"<?xml version=\"1.0\"?><d>003</d>", 0},
                      AnswerCase{"XML 001", 0}, AnswerCase{"Xml", 0}, AnswerCase{"008 xml", 0},
                      AnswerCase{"xMl", -29}, AnswerCase{"Fehler 001", -21}, AnswerCase{"002", -22},
                      AnswerCase{"003", -23}, AnswerCase{"005", -25}, AnswerCase{"006", -26},
                      AnswerCase{"008", -28}, AnswerCase{"003 und 001", -21},
                      AnswerCase{"008 006 005 003 002", -22}, AnswerCase{"008 005", -25},
                      AnswerCase{"008 006", -26}, AnswerCase{"004", -29}, AnswerCase{"007", -29},
                      AnswerCase{"004 007 000 0 01", -29}, AnswerCase{"Fehler", -29},
                      AnswerCase{kBorderPadding + "001", -21}, AnswerCase{kBorderPadding + "xml", 0}));

class MissingCredentials : public ExportJobTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingCredentials, EndWithoutAnyRequest) {
    const double invalidDate = std::nan("");
    EXPECT_EQ(RunWith({nullptr, 0, 0, &invalidDate, GetParam()}), -11)
        << "checked before the date and directory";
    EXPECT_EQ(Export(0.0, GetParam()), -11);
    ExpectNothingHappened();
    EXPECT_TRUE(env.checkedDirectories.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, MissingCredentials,
                         ::testing::Values(nullptr, "", "UserLogin=4711", "Password=geheim",
                                           "UserLogin=4711\r\nPassword=", "UserLogin=\r\nPassword=geheim",
                                           "UserLogin =4711\r\nPassword=geheim",
                                           "Password=\r\nUserLogin=4711\r\nPassword=geheim"));

class InvalidDate : public ExportJobTest, public ::testing::WithParamInterface<double> {};

TEST_P(InvalidDate, IsAnInvalidCallBeforeTheDirectoryIsChecked) {
    env.writableDirectory = false;
    EXPECT_EQ(Export(GetParam(), kCredentials, nullptr), -32);
    ExpectNothingHappened();
    EXPECT_TRUE(env.checkedDirectories.empty());
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The day before 1 January of the year 1, and the day after 31 December 9999.
constexpr double kBeforeYearOne = -693594.0;
constexpr double kAfterYear9999 = 2958466.0;

INSTANTIATE_TEST_SUITE_P(Values, InvalidDate,
                         ::testing::Values(std::nan(""), kInfinity, -kInfinity, kBeforeYearOne,
                                           kAfterYear9999, 1.0e300));

TEST_F(ExportJobTest, MissingDatePointerIsAnInvalidCall) {
    EXPECT_EQ(RunWith({kTargetDir, 0, 0, nullptr, kCredentials}), -32);
    ExpectNothingHappened();
}

TEST_F(ExportJobTest, UnwritableOrMissingTargetDirectoryEndsBeforeAnyRequest) {
    env.writableDirectory = false;
    EXPECT_EQ(Export(0.0), -31);
    EXPECT_EQ(env.checkedDirectories, Events{kTargetDir});
    env.writableDirectory = true;
    EXPECT_EQ(Export(EveningOfNewYearsEve2025(), kCredentials, nullptr), -31);
    ExpectNothingHappened();
}

TEST_F(ExportJobTest, TargetDirectoryIsUsedWholeAndATrailingBackslashDoubles) {
    const std::string longDir = "C:\\" + std::string(300, 'd') + "\\";
    env.downloads = {{0, kXml}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025(), kCredentials, longDir.c_str()), 0);
    EXPECT_EQ(env.checkedDirectories, Events{longDir});
    ASSERT_EQ(env.files.size(), 1u);
    EXPECT_EQ(env.files[0].path, longDir + "\\kalvento_export_260203_140509.xml");
}

class FileFailure : public ExportJobTest, public ::testing::WithParamInterface<int> {};

TEST_P(FileFailure, LeavesNoFileAndReportsTheFileName) {
    env.createFails = GetParam() == 0;
    env.writeFails = GetParam() == 1;
    env.commitFails = GetParam() == 2;
    env.downloads = {{0, kXml}};
    EXPECT_EQ(Export(EveningOfNewYearsEve2025()), -31);
    EXPECT_EQ(env.trace.events, (Events{kDeltaLine, kDeltaRequest, "CreateFile " + kFile,
                                        "Line Datei " + kFile + " kann nicht erstellt werden"}));
    for (const auto& file : env.files) {
        EXPECT_FALSE(file.committed);
        EXPECT_TRUE(file.discarded);
    }
}

INSTANTIATE_TEST_SUITE_P(CreateWriteCommit, FileFailure, ::testing::Values(0, 1, 2));

}  // namespace
