// Windows side of the export job: the file is written under a temporary name and renamed when complete.
#include "provider/win32/WinExportEnvironment.h"

#include <windows.h>

#include "inet/win32/WinDownload.h"
#include "provider/ExportRequests.h"
#include "toolkit/Handles.h"

namespace provider {
namespace {

constexpr char kTempPrefix[] = "kal";

std::string DirectoryOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator + 1);
}

// A new, empty, uniquely named file in `directory`, or an empty name.
std::string CreateTemporaryFile(const std::string& directory) {
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(directory.c_str(), kTempPrefix, 0, name) == 0) {
        return {};
    }
    return name;
}

// Written under a temporary name beside the final one; renamed over it only when complete.
class WinExportFile final : public ExportFile {
public:
    WinExportFile(std::string temporaryName, std::string finalName, toolkit::UniqueFile file)
        : temporaryName_(std::move(temporaryName)),
          finalName_(std::move(finalName)),
          file_(std::move(file)) {}

    ~WinExportFile() override {
        if (!committed_) {
            file_.Reset();
            ::DeleteFileA(temporaryName_.c_str());
        }
    }

    bool Write(const char* data, std::size_t count) override {
        while (count > 0) {
            const DWORD part = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 24));
            DWORD written = 0;
            if (!::WriteFile(file_.Get(), data, part, &written, nullptr) || written != part) {
                return false;
            }
            data += part;
            count -= part;
        }
        return true;
    }

    bool Commit() override {
        const bool flushed = ::FlushFileBuffers(file_.Get()) != FALSE;
        file_.Reset();
        // An existing file of the name is replaced, a read-only one too: Windows refuses to rename over it.
        const DWORD existing = ::GetFileAttributesA(finalName_.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetFileAttributesA(finalName_.c_str(), existing & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        }
        if (!flushed ||
            !::MoveFileExA(temporaryName_.c_str(), finalName_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return false;
        }
        committed_ = true;
        return true;
    }

private:
    std::string temporaryName_;
    std::string finalName_;
    toolkit::UniqueFile file_;
    bool committed_ = false;
};

}  // namespace

LocalTime WinExportEnvironment::Now() {
    SYSTEMTIME time;
    ::GetLocalTime(&time);
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

bool WinExportEnvironment::IsWritableDirectory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    // The final name must fit the path limit: the probe's shorter name fits where it may not, and the rename
    // would fail only after the whole answer was downloaded.
    if (ExportFileName(path, Now()).size() >= MAX_PATH) {
        return false;
    }
    // Only creating a file proves that one can be created.
    const std::string probe = CreateTemporaryFile(path);
    return !probe.empty() && ::DeleteFileA(probe.c_str());
}

std::unique_ptr<ExportFile> WinExportEnvironment::CreateExportFile(const std::string& path) {
    const std::string temporaryName = CreateTemporaryFile(DirectoryOf(path));
    if (temporaryName.empty()) {
        return nullptr;
    }
    toolkit::UniqueFile file(::CreateFileA(temporaryName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ::DeleteFileA(temporaryName.c_str());
        return nullptr;
    }
    return std::make_unique<WinExportFile>(temporaryName, path, std::move(file));
}

std::int32_t WinExportEnvironment::Download(const std::string& url, std::int32_t timeoutSeconds,
                                            inet::MemoryStream& stream) {
    std::string statusCode;
    return inet::DownloadToStream(url, timeoutSeconds, stream, statusCode,
                                  {.Report = true, .ShowProgress = true}, host_);
}

}  // namespace provider
