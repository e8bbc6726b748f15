// Panel with bevel, shapes drawn by their panel, and the timer.
#pragma once

#include <functional>
#include <vector>

#include "toolkit/Control.h"

namespace toolkit {

class TPanel;

// A control without a window of its own: its parent panel paints it.
class TGraphicControl {
public:
    explicit TGraphicControl(TPanel& parent, int left, int top, int width, int height);
    virtual ~TGraphicControl();
    TGraphicControl(const TGraphicControl&) = delete;
    TGraphicControl& operator=(const TGraphicControl&) = delete;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left);
    virtual void Paint(HDC dc) const = 0;

protected:
    void Invalidate();

private:
    TPanel& parent_;
    int left_;
    int top_;
    int width_;
    int height_;
};

// A filled rectangle without outline.
class TShape final : public TGraphicControl {
public:
    TShape(TPanel& parent, int left, int top, int width, int height, TColor brushColor);
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor color);
    void Paint(HDC dc) const override;

private:
    TColor brushColor_;
};

enum class TBevel { None, Lowered };

// A child window with an outer bevel that hosts graphic controls.
class TPanel final : public TWinControl {
public:
    TPanel(TWinControl& parent, int left, int top, int width, int height, TBevel bevelOuter);

private:
    friend class TGraphicControl;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc);

    TBevel bevelOuter_;
    std::vector<TGraphicControl*> graphics_;
};

// Ticks through WM_TIMER of its owner's window while enabled.
class TTimer {
public:
    explicit TTimer(TWinControl& owner, UINT interval = 1000);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    UINT_PTR Id() const { return id_; }

    std::function<void()> OnTimer;

private:
    friend class TWinControl;
    void Tick();

    TWinControl& owner_;
    UINT interval_;
    UINT_PTR id_;
    bool enabled_ = false;
};

}  // namespace toolkit
