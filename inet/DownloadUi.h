// What the download engine needs of the screen: the progress window and the application-wide cursor.
#pragma once

namespace inet {

enum class ScreenCursor { Wait, AppStarting };

class DownloadUi {
public:
    virtual ~DownloadUi() = default;
    virtual void ShowProgress() = 0;
    virtual bool Cancelled() = 0;
    virtual void HideProgress() = 0;
    virtual void SetScreenCursor(ScreenCursor cursor) = 0;
};

}  // namespace inet
