// The export job's environment on Windows: local time, the target directory, the export file, the download.
#pragma once

#include "plugin/win32/ImpApiMain.h"
#include "provider/ExportJob.h"

namespace provider {

class WinExportEnvironment final : public ExportEnvironment {
public:
    LocalTime Now() override;
    bool IsWritableDirectory(const std::string& path) override;
    std::unique_ptr<ExportFile> CreateExportFile(const std::string& path) override;
    std::int32_t Download(const std::string& url, std::int32_t timeoutSeconds,
                          inet::MemoryStream& stream) override;
    host::HostReporting& Host() override { return host_; }

private:
    plugin::DescriptorReporting host_;
};

}  // namespace provider
