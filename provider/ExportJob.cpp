// The export job's decisions: checks before anything is sent, the requests, the file, the classification.
#include "provider/ExportJob.h"

#include <new>

#include "inet/ImpApiINet.h"

namespace provider {
namespace {

constexpr char kResetAcknowledged[] = "007";

struct ServerError {
    const char* marker;
    std::int32_t result;
};

// First match wins; there is no rule for 004 or 007 in a data answer.
constexpr ServerError kServerErrors[] = {
    {"001", kServerLoginFailed},   {"002", kServerUserUnknown},   {"003", kServerPasswordWrong},
    {"005", kServerNoCurrentData}, {"006", kServerXmlIncomplete}, {"008", kServerDatabaseError},
};

// A download into a fresh stream. A body too large for the address space ends like a broken transfer.
std::int32_t Fetch(ExportEnvironment& environment, const std::string& url, std::int32_t timeoutSeconds,
                   inet::MemoryStream& stream) {
    std::uint64_t received = 0;
    try {
        return environment.Download(url, timeoutSeconds, stream);
    } catch (const inet::EStreamOverflow& overflow) {
        received = overflow.BytesReceived();
    } catch (const std::bad_alloc&) {
        received = stream.Size();
        stream.Clear();  // give the memory back before anything else is built
    }
    environment.Host().StatusLine(inet::IncompleteDownloadLine(received));
    return inet::kDownloadIncomplete;
}

// Writes the whole answer under `fileName`, complete or not at all.
bool WriteExportFile(ExportEnvironment& environment, const std::string& fileName,
                     const inet::MemoryStream& answer) {
    const std::unique_ptr<ExportFile> file = environment.CreateExportFile(fileName);
    if (!file) {
        return false;
    }
    bool written = true;
    answer.ForEachSegment(
        [&](const char* data, std::size_t count) { written = written && file->Write(data, count); });
    return written && file->Commit();
}

}  // namespace

std::int32_t ClassifyAnswer(const inet::MemoryStream& answer) {
    for (const char* marker : {"XML", "Xml", "xml"}) {
        if (answer.Contains(marker)) {
            return kExportOk;
        }
    }
    for (const ServerError& error : kServerErrors) {
        if (answer.Contains(error.marker)) {
            return error.result;
        }
    }
    return kServerUnknownAnswer;
}

std::int32_t ClassifyResetRefusal(const inet::MemoryStream& answer) {
    // A wrong password on the first import must send the user to the access data, as it does on a delta
    // import, not to the platform's support: the server's error number counts in a reset answer too.
    const std::int32_t result = ClassifyAnswer(answer);
    return result == kExportOk || result == kServerUnknownAnswer ? kResetNotAcknowledged : result;
}

std::int32_t RunExport(ExportEnvironment& environment, const ExportServer& server,
                       const ExportArguments& args) {
    if (args.Credentials == nullptr) {
        return kCredentialsMissing;
    }
    const Credentials credentials = ParseCredentials(args.Credentials);
    if (credentials.UserLogin.empty() || credentials.Password.empty()) {
        return kCredentialsMissing;
    }

    if (args.LastImportDate == nullptr) {
        return kInvalidCall;
    }
    const double lastImport = *args.LastImportDate;
    const bool initialImport = lastImport == 0.0;
    std::string dateTo;
    if (!initialImport) {
        const auto date = DateOfDateValue(lastImport);
        if (!date) {
            return kInvalidCall;
        }
        dateTo = FormatDateTo(*date);
    }

    // An initial import resets the server's export state: nothing is sent unless the file can be written.
    if (args.TargetDir == nullptr || !environment.IsWritableDirectory(args.TargetDir)) {
        return kExportFileNotWritten;
    }

    host::HostReporting& host = environment.Host();
    if (initialImport) {
        host.StatusLine("Initial-Import vorbereiten ...");
        inet::MemoryStream resetAnswer;
        std::int32_t result = Fetch(environment, ExportUrl(server, credentials, kTypeReset),
                                    server.ResetTimeoutSeconds, resetAnswer);
        if (result == inet::kDownloadOk && !resetAnswer.Contains(kResetAcknowledged)) {
            result = ClassifyResetRefusal(resetAnswer);
        }
        if (result != inet::kDownloadOk) {
            return result;
        }
    }

    inet::MemoryStream answer;
    std::int32_t result = 0;
    if (initialImport) {
        host.StatusLine("Initial-Import gestartet (komplette Historie)");
        result = Fetch(environment, ExportUrl(server, credentials, kTypeCompleteHistory),
                       server.DataTimeoutSeconds, answer);
    } else {
        host.StatusLine("Delta-Import gestartet (Update vom letzten Stand)");
        result = Fetch(environment, ExportUrl(server, credentials, kTypeDelta, dateTo),
                       server.DataTimeoutSeconds, answer);
    }
    if (result != inet::kDownloadOk) {
        return result;
    }

    // The answer is kept even when it is a server error: the text of -29 points the user to the file.
    const std::string fileName = ExportFileName(args.TargetDir, environment.Now());
    if (!WriteExportFile(environment, fileName, answer)) {
        host.StatusLine("Datei " + fileName + " kann nicht erstellt werden");
        return kExportFileNotWritten;
    }
    return ClassifyAnswer(answer);
}

}  // namespace provider
