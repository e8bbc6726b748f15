// The kalvento export job: from credentials to a classified result code and the export file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "inet/MemoryStream.h"
#include "host/HostReporting.h"
#include "provider/ExportRequests.h"

namespace provider {

// Result codes of the job besides the download codes it passes through.
enum ExportResult : std::int32_t {
    kExportOk = 0,
    kCredentialsMissing = -11,
    kResetNotAcknowledged = -12,
    kServerLoginFailed = -21,
    kServerUserUnknown = -22,
    kServerPasswordWrong = -23,
    kServerNoCurrentData = -25,
    kServerXmlIncomplete = -26,
    kServerDatabaseError = -28,
    kServerUnknownAnswer = -29,
    kExportFileNotWritten = -31,
    kInvalidCall = -32,
};

// A new export file. It appears under its name only when committed complete; destroyed uncommitted, it
// leaves nothing behind.
class ExportFile {
public:
    virtual ~ExportFile() = default;
    virtual bool Write(const char* data, std::size_t count) = 0;
    // Puts the written bytes under the file's name, replacing a file of that name.
    virtual bool Commit() = 0;
};

// What the job needs of the platform: the clock, the file system, the download and the host's callback.
class ExportEnvironment {
public:
    virtual ~ExportEnvironment() = default;
    virtual LocalTime Now() = 0;
    virtual bool IsWritableDirectory(const std::string& path) = 0;
    // Null when the file cannot be created.
    virtual std::unique_ptr<ExportFile> CreateExportFile(const std::string& path) = 0;
    // DownloadToStream with reporting and the progress window on.
    virtual std::int32_t Download(const std::string& url, std::int32_t timeoutSeconds,
                                  inet::MemoryStream& stream) = 0;
    virtual host::HostReporting& Host() = 0;
};

// The parameters of ExportXML, in its order.
struct ExportArguments {
    const char* TargetDir = nullptr;
    std::int32_t ProviderParam1 = 0;
    std::int32_t ProviderParam2 = 0;
    const double* LastImportDate = nullptr;
    const char* Credentials = nullptr;
};

// One export run. Keeps nothing between calls; the export file is its only lasting effect.
std::int32_t RunExport(ExportEnvironment& environment, const ExportServer& server,
                       const ExportArguments& args);

// The result code for a data answer (XML or one of the server's error numbers).
std::int32_t ClassifyAnswer(const inet::MemoryStream& answer);

}  // namespace provider
