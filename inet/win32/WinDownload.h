// DownloadToStream with the real services: WinINet, the progress window and the screen cursor.
#pragma once

#include <cstdint>
#include <string>

#include "inet/ImpApiINet.h"

namespace inet {

// The progress window and the screen cursor behind the download engine's UI seam.
class WinDownloadUi final : public DownloadUi {
public:
    void ShowProgress() override;
    bool Cancelled() override;
    void HideProgress() override;
    void SetScreenCursor(ScreenCursor cursor) override;

private:
    bool showedWindow_ = false;
};

std::int32_t DownloadToStream(const std::string& Url, std::int32_t TimeoutSeconds, ByteStream& Stream,
                              std::string& StatusCode, const DownloadOptions& Options,
                              host::HostReporting& host);

}  // namespace inet
