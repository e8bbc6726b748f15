// Panel, shapes and timer.
#include "toolkit/ExtCtrls.h"

#include <algorithm>

#include "toolkit/Module.h"

namespace toolkit {
namespace {

constexpr char kPanelClass[] = "TPanel";

}  // namespace

TGraphicControl::TGraphicControl(TPanel& parent, int left, int top, int width, int height)
    : parent_(parent), left_(left), top_(top), width_(width), height_(height) {
    parent_.graphics_.push_back(this);
}

TGraphicControl::~TGraphicControl() {
    std::erase(parent_.graphics_, this);
}

void TGraphicControl::SetLeft(int left) {
    Invalidate();
    left_ = left;
    Invalidate();
}

void TGraphicControl::Invalidate() {
    if (parent_.Handle() != nullptr) {
        const RECT area{left_, top_, left_ + width_, top_ + height_};
        ::InvalidateRect(parent_.Handle(), &area, TRUE);
    }
}

TShape::TShape(TPanel& parent, int left, int top, int width, int height, TColor brushColor)
    : TGraphicControl(parent, left, top, width, height), brushColor_(brushColor) {}

void TShape::SetBrushColor(TColor color) {
    brushColor_ = color;
    Invalidate();
}

void TShape::Paint(HDC dc) const {
    const RECT area{Left(), Top(), Left() + Width(), Top() + Height()};
    const UniqueBrush brush(::CreateSolidBrush(ColorToRgb(brushColor_)));
    ::FillRect(dc, &area, brush.Get());
}

TPanel::TPanel(TWinControl& parent, int left, int top, int width, int height, TBevel bevelOuter)
    : bevelOuter_(bevelOuter) {
    RegisterWindowClass(kPanelClass, WindowProcedure, CS_HREDRAW | CS_VREDRAW);
    CreateChild(parent, kPanelClass, WS_CLIPSIBLINGS, {}, left, top, width, height, true);
}

LRESULT TPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(Handle(), &paint);
        Paint(dc);
        ::EndPaint(Handle(), &paint);
        return 0;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

void TPanel::Paint(HDC dc) {
    RECT area;
    ::GetClientRect(Handle(), &area);
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    if (bevelOuter_ != TBevel::None) {
        ::DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
    }
    // Graphic controls lie on top of the bevel, clipped to the panel.
    for (const TGraphicControl* graphic : graphics_) {
        graphic->Paint(dc);
    }
}

TTimer::TTimer(TWinControl& owner, UINT interval) : owner_(owner), interval_(interval) {
    static UINT_PTR nextId = 1;
    id_ = nextId++;
    owner_.timers_.push_back(this);
}

TTimer::~TTimer() {
    SetEnabled(false);
    std::erase(owner_.timers_, this);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_ || owner_.Handle() == nullptr) {
        enabled_ = enabled && owner_.Handle() != nullptr;
        return;
    }
    if (enabled) {
        enabled_ = ::SetTimer(owner_.Handle(), id_, interval_, nullptr) != 0;
    } else {
        enabled_ = false;
        ::KillTimer(owner_.Handle(), id_);
    }
}

void TTimer::Tick() {
    // A tick still queued when the timer was stopped is dropped.
    if (enabled_ && OnTimer) {
        OnTimer();
    }
}

}  // namespace toolkit
