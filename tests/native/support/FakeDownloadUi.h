// The progress window and the screen cursor as a download drives them, traced as "Show", "Cancelled",
// "Hide", "Cursor Wait" and "Cursor AppStarting".
#pragma once

#include <vector>

#include "inet/DownloadUi.h"
#include "tests/native/support/Trace.h"

namespace testsupport {

class FakeDownloadUi : public inet::DownloadUi {
public:
    explicit FakeDownloadUi(Trace& trace) : trace_(trace) {}

    int cancelAtPoll = 0;  // the poll (1-based) from which on the user has pressed cancel; 0: never
    int polls = 0;
    int shown = 0;                            // windows shown successfully
    int hidden = 0;                           // attempts to hide, failed ones included
    std::vector<inet::ScreenCursor> cursors;  // every cursor that was actually set, in order

    void ShowProgress() override {
        trace_.Step("ShowProgress");
        trace_.Add("Show");
        ++shown;
    }
    bool Cancelled() override {
        trace_.Step("Cancelled");
        trace_.Add("Cancelled");
        ++polls;
        return cancelAtPoll > 0 && polls >= cancelAtPoll;
    }
    void HideProgress() override {
        ++hidden;
        trace_.Step("HideProgress");
        trace_.Add("Hide");
    }
    // Only setting the wait cursor can be made to fail: nothing could repair a failed reset of the cursor.
    void SetScreenCursor(inet::ScreenCursor cursor) override {
        const bool wait = cursor == inet::ScreenCursor::Wait;
        if (wait) {
            trace_.Step("SetScreenCursor");
        }
        trace_.Add(wait ? "Cursor Wait" : "Cursor AppStarting");
        cursors.push_back(cursor);
    }

private:
    Trace& trace_;
};

}  // namespace testsupport
