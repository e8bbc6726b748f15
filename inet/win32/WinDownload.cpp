// Wires the download engine to WinINet, the progress window and the toolkit's screen cursor.
#include "inet/win32/WinDownload.h"

#include "inet/win32/ImpApiDownloadProgress.h"
#include "inet/win32/WinInetLayer.h"
#include "toolkit/Graphics.h"

namespace inet {

void WinDownloadUi::ShowProgress() {
    // A download nested in another's callback finds the outer one's window: it shows none of its own, and so
    // it hides none either.
    showedWindow_ = !frmDownloadProgress;
    ShowDownloadProgress(nullptr);
}

bool WinDownloadUi::Cancelled() {
    return DownloadCancelled();
}

void WinDownloadUi::HideProgress() {
    if (showedWindow_) {
        showedWindow_ = false;
        HideDownloadProgress();
    }
}

void WinDownloadUi::SetScreenCursor(ScreenCursor cursor) {
    toolkit::SetScreenCursor(cursor == ScreenCursor::Wait ? toolkit::TCursor::HourGlass
                                                          : toolkit::TCursor::AppStart);
}

std::int32_t DownloadToStream(const std::string& Url, std::int32_t TimeoutSeconds, ByteStream& Stream,
                              std::string& StatusCode, const DownloadOptions& Options,
                              host::HostReporting& host) {
    WinInetLayer http;
    WinDownloadUi ui;
    return DownloadToStream(Url, TimeoutSeconds, Stream, StatusCode, Options, {http, ui, host});
}

}  // namespace inet
