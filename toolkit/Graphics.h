// Colours, fonts and the application-wide screen cursor.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "toolkit/Handles.h"

namespace toolkit {

// A colour as 0x00BBGGRR, or a system colour index with the top bit set.
using TColor = std::int32_t;
constexpr TColor kSystemColorFlag = static_cast<TColor>(0x80000000u);
constexpr TColor clBtnFace = kSystemColorFlag | COLOR_BTNFACE;
constexpr TColor clHighlight = kSystemColorFlag | COLOR_HIGHLIGHT;
constexpr TColor clWindow = kSystemColorFlag | COLOR_WINDOW;
constexpr TColor clWindowText = kSystemColorFlag | COLOR_WINDOWTEXT;
constexpr TColor clWindowFrame = kSystemColorFlag | COLOR_WINDOWFRAME;
constexpr TColor clGrayText = kSystemColorFlag | COLOR_GRAYTEXT;
constexpr TColor clRed = 0x000000FF;

COLORREF ColorToRgb(TColor color);

struct TFont {
    std::string Name = "MS Sans Serif";
    int Height = -11;  // negative: character height in pixels, as the font mapper takes it
    bool Bold = false;

    UniqueFont Create() const;
};

// Cursors by the toolkit's numbers.
enum class TCursor : int { Default = 0, HourGlass = -11, AppStart = -19 };

// The cursor for every window of the application; Default lets each window show its own.
void SetScreenCursor(TCursor cursor);
TCursor ScreenCursor();
// Called by windows on WM_SETCURSOR: true when the screen cursor was applied.
bool ApplyScreenCursor();

}  // namespace toolkit
