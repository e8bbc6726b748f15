// The download progress window through its module functions and real window messages.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "inet/win32/ImpApiDownloadProgress.h"
#include "support/TestEnvironment.h"

namespace {

using inet::frmDownloadProgress;

class DownloadProgress : public testing::Test {
protected:
    void TearDown() override { inet::HideDownloadProgress(); }

    static HWND Form() { return frmDownloadProgress->Handle(); }
    static void Tick() { ::SendMessageA(Form(), WM_TIMER, frmDownloadProgress->Timer1.Id(), 0); }
    static void ClickCancel() {
        ::SendMessageA(::FindWindowExA(Form(), nullptr, "BUTTON", "Download abbrechen"), BM_CLICK, 0, 0);
    }
    // Position and size of a child window within its parent's client area.
    static RECT ChildBounds(HWND child) {
        RECT bounds;
        ::GetWindowRect(child, &bounds);
        ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
        return {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
    }
    static LOGFONTA FontOf(HWND window) {
        LOGFONTA font{};
        ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    }
    static std::string TextOf(HWND window) {
        char text[128] = {};
        ::GetWindowTextA(window, text, sizeof text);
        return text;
    }
};

void ExpectBounds(const RECT& bounds, int left, int top, int width, int height) {
    EXPECT_EQ(bounds.left, left);
    EXPECT_EQ(bounds.top, top);
    EXPECT_EQ(bounds.right, width);
    EXPECT_EQ(bounds.bottom, height);
}

TEST_F(DownloadProgress, WindowHasTheDesignedLayout) {
    inet::ShowDownloadProgress(nullptr);
    ASSERT_TRUE(frmDownloadProgress);
    HWND form = Form();
    EXPECT_TRUE(::IsWindowVisible(form));
    EXPECT_EQ(TextOf(form), "Info");
    RECT client;
    ::GetClientRect(form, &client);
    EXPECT_EQ(client.right, 248);
    EXPECT_EQ(client.bottom, 127);
    const LONG style = ::GetWindowLongA(form, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    RECT frame;
    ::GetWindowRect(form, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    HWND label = ::FindWindowExA(form, nullptr, "STATIC", "Download l\344uft ...");
    ASSERT_NE(label, nullptr);
    // The layout's 119 x 16, or the text's size where the font draws it larger: the text is never clipped.
    const SIZE text = testenv::CaptionExtent(label);
    ExpectBounds(ChildBounds(label), 16, 8, std::max<int>(119, text.cx), std::max<int>(16, text.cy));
    const LOGFONTA labelFont = FontOf(label);
    EXPECT_STREQ(labelFont.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(labelFont.lfHeight, -13);
    EXPECT_EQ(labelFont.lfWeight, FW_BOLD);

    HWND panel = frmDownloadProgress->Panel1.Handle();
    ExpectBounds(ChildBounds(panel), 16, 40, 209, 17);
    const toolkit::TShape& shape = frmDownloadProgress->Shape1;
    EXPECT_EQ(shape.Left(), 0);
    EXPECT_EQ(shape.Top(), -1);
    EXPECT_EQ(shape.Width(), 33);
    EXPECT_EQ(shape.Height(), 19);
    EXPECT_EQ(shape.BrushColor(), toolkit::clHighlight);

    HWND button = ::FindWindowExA(form, nullptr, "BUTTON", "Download abbrechen");
    ASSERT_NE(button, nullptr);
    ExpectBounds(ChildBounds(button), 56, 80, 129, 25);
    const LOGFONTA buttonFont = FontOf(button);
    EXPECT_STREQ(buttonFont.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(buttonFont.lfHeight, -11);
    EXPECT_EQ(buttonFont.lfWeight, FW_NORMAL);

    // Tab order: the bar before the button.
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(form, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    EXPECT_EQ(children, (std::vector<HWND>{label, panel, button}));
    EXPECT_TRUE(frmDownloadProgress->Timer1.Enabled());
    EXPECT_EQ(frmDownloadProgress->Timer1.Interval(), 1000u);
    EXPECT_FALSE(inet::DownloadCancelled());
}

TEST_F(DownloadProgress, BlockSteps10PixelsAndRestartsAtTheBarsLeftEdge) {
    inet::ShowDownloadProgress(nullptr);
    std::vector<int> positions;
    for (int tick = 0; tick < 41; ++tick) {
        Tick();
        positions.push_back(frmDownloadProgress->Shape1.Left());
    }
    std::vector<int> expected;
    for (int sweep = 0; sweep < 2; ++sweep) {
        for (int left = 10; left <= 190; left += 10) {
            expected.push_back(left);
        }
        expected.push_back(0);  // the tick that would reach 200
    }
    expected.push_back(10);
    EXPECT_EQ(positions, expected);
}

TEST_F(DownloadProgress, BlockIsPaintedInTheHighlightColourThenRed) {
    inet::ShowDownloadProgress(nullptr);
    HWND panel = frmDownloadProgress->Panel1.Handle();
    const auto pixel = [panel] {
        ::RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        HDC dc = ::GetDC(panel);
        const COLORREF color = ::GetPixel(dc, 16, 8);
        ::ReleaseDC(panel, dc);
        return color;
    };
    EXPECT_EQ(pixel(), ::GetSysColor(COLOR_HIGHLIGHT));
    ClickCancel();
    EXPECT_EQ(pixel(), RGB(255, 0, 0));
}

TEST_F(DownloadProgress, CancelButtonSetsTheFlagAndStopsTheBlock) {
    inet::ShowDownloadProgress(nullptr);
    Tick();
    Tick();
    ClickCancel();
    EXPECT_TRUE(inet::DownloadCancelled());
    EXPECT_NE(::FindWindowExA(Form(), nullptr, "STATIC", "Download wird abgebrochen !"), nullptr);
    EXPECT_EQ(frmDownloadProgress->Shape1.BrushColor(), 0x0000FF);
    EXPECT_FALSE(frmDownloadProgress->Timer1.Enabled());
    Tick();
    EXPECT_EQ(frmDownloadProgress->Shape1.Left(), 20) << "a stopped block does not move";
    ClickCancel();
    EXPECT_TRUE(inet::DownloadCancelled());
    EXPECT_EQ(frmDownloadProgress->Shape1.Left(), 20);
    EXPECT_TRUE(::IsWindowVisible(Form())) << "the window stays until the download hides it";
}

TEST_F(DownloadProgress, SecondShowChangesNothing) {
    inet::ShowDownloadProgress(nullptr);
    const auto* first = frmDownloadProgress.get();
    Tick();
    ClickCancel();
    inet::ShowDownloadProgress(nullptr);
    EXPECT_EQ(frmDownloadProgress.get(), first);
    EXPECT_TRUE(inet::DownloadCancelled()) << "the window is not shown again";
    EXPECT_FALSE(frmDownloadProgress->Timer1.Enabled()) << "its timer is not touched";
}

TEST_F(DownloadProgress, HideFreesTheWindowAndToleratesNone) {
    EXPECT_FALSE(inet::DownloadCancelled());
    inet::HideDownloadProgress();
    inet::ShowDownloadProgress(nullptr);
    HWND form = Form();
    inet::HideDownloadProgress();
    EXPECT_FALSE(frmDownloadProgress);
    EXPECT_FALSE(::IsWindow(form));
    inet::HideDownloadProgress();
    EXPECT_FALSE(inet::DownloadCancelled());
}

TEST_F(DownloadProgress, NextShowAfterCancelIsFresh) {
    inet::ShowDownloadProgress(nullptr);
    Tick();
    ClickCancel();
    inet::HideDownloadProgress();
    inet::ShowDownloadProgress(nullptr);
    EXPECT_FALSE(inet::DownloadCancelled());
    EXPECT_NE(::FindWindowExA(Form(), nullptr, "STATIC", "Download l\344uft ..."), nullptr);
    EXPECT_EQ(frmDownloadProgress->Shape1.Left(), 0);
    EXPECT_EQ(frmDownloadProgress->Shape1.BrushColor(), toolkit::clHighlight);
    EXPECT_TRUE(frmDownloadProgress->Timer1.Enabled());
}

TEST_F(DownloadProgress, CloseBoxOnlyHides) {
    inet::ShowDownloadProgress(nullptr);
    ::SendMessageA(Form(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(frmDownloadProgress);
    EXPECT_TRUE(::IsWindow(Form()));
    EXPECT_FALSE(::IsWindowVisible(Form()));
    EXPECT_TRUE(frmDownloadProgress->Timer1.Enabled());
    EXPECT_FALSE(inet::DownloadCancelled());
    Tick();
    EXPECT_EQ(frmDownloadProgress->Shape1.Left(), 10);
}

}  // namespace
