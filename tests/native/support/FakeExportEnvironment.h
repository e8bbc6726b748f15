// The export job's platform: a fixed clock, a scripted download, an in-memory export file and the host's
// callback. Downloads, files and status lines share one trace ("Download <url> <seconds>", "Line <text>").
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "provider/ExportJob.h"
#include "tests/native/support/FakeHostReporting.h"
#include "tests/native/support/Trace.h"

namespace testsupport {

// The outcome of one download: the body written into the stream, then the result, std::bad_alloc, or the
// stream's own overflow naming the bytes it had received.
struct ScriptedDownload {
    std::int32_t result = 0;
    std::string body;
    bool outOfMemory = false;
    std::uint64_t overflowAfter = 0;
};

struct ExportFileRecord {
    std::string path;
    std::string bytes;
    bool committed = false;
    bool discarded = false;  // destroyed without a commit
};

class FakeExportEnvironment : public provider::ExportEnvironment {
public:
    Trace trace;
    FakeHostReporting host{trace};
    provider::LocalTime now{2026, 2, 3, 14, 5, 9};
    bool writableDirectory = true;
    bool createFails = false;
    bool writeFails = false;
    bool commitFails = false;
    std::deque<ScriptedDownload> downloads;

    std::vector<std::string> checkedDirectories;
    std::vector<std::uint64_t> streamSizesOnEntry;
    std::deque<ExportFileRecord> files;  // every file created, in order

    provider::LocalTime Now() override { return now; }

    bool IsWritableDirectory(const std::string& path) override {
        checkedDirectories.push_back(path);
        return writableDirectory;
    }

    std::unique_ptr<provider::ExportFile> CreateExportFile(const std::string& path) override {
        trace.Add("CreateFile " + path);
        if (createFails) {
            return nullptr;
        }
        files.push_back(ExportFileRecord{path, {}, false, false});
        return std::make_unique<MemoryFile>(files.back(), writeFails, commitFails);
    }

    std::int32_t Download(const std::string& url, std::int32_t timeoutSeconds,
                          inet::MemoryStream& stream) override {
        trace.Add("Download " + url + " " + std::to_string(timeoutSeconds));
        streamSizesOnEntry.push_back(stream.Size());
        if (downloads.empty()) {
            ADD_FAILURE() << "unscripted download of " << url;
            return -1;
        }
        const ScriptedDownload next = downloads.front();
        downloads.pop_front();
        stream.Write(next.body.data(), next.body.size());
        if (next.outOfMemory) {
            throw std::bad_alloc();
        }
        if (next.overflowAfter > 0) {
            stream.Clear();
            throw inet::EStreamOverflow(next.overflowAfter);
        }
        return next.result;
    }

    host::HostReporting& Host() override { return host; }

    std::vector<std::string> Downloads() const { return trace.Only({"Download "}); }

private:
    class MemoryFile : public provider::ExportFile {
    public:
        MemoryFile(ExportFileRecord& record, bool writeFails, bool commitFails)
            : record_(record), writeFails_(writeFails), commitFails_(commitFails) {}
        ~MemoryFile() override { record_.discarded = !record_.committed; }
        bool Write(const char* data, std::size_t count) override {
            if (writeFails_) {
                return false;
            }
            record_.bytes.append(data, count);
            return true;
        }
        bool Commit() override {
            record_.committed = !commitFails_;
            return record_.committed;
        }

    private:
        ExportFileRecord& record_;
        bool writeFails_;
        bool commitFails_;
    };
};

}  // namespace testsupport
