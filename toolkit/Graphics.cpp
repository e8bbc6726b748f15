// Colours, fonts and the screen cursor.
#include "toolkit/Graphics.h"

namespace toolkit {
namespace {

TCursor screenCursor = TCursor::Default;

LPCSTR SystemCursorName(TCursor cursor) {
    switch (cursor) {
        case TCursor::HourGlass:
            return MAKEINTRESOURCEA(32514);  // IDC_WAIT
        case TCursor::AppStart:
            return MAKEINTRESOURCEA(32650);  // IDC_APPSTARTING
        case TCursor::Default:
            break;
    }
    return MAKEINTRESOURCEA(32512);  // IDC_ARROW
}

}  // namespace

COLORREF ColorToRgb(TColor color) {
    if (color & kSystemColorFlag) {
        return ::GetSysColor(color & 0xFF);
    }
    return static_cast<COLORREF>(color);
}

UniqueFont TFont::Create() const {
    LOGFONTA font{};
    font.lfHeight = Height;
    font.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    lstrcpynA(font.lfFaceName, Name.c_str(), LF_FACESIZE);
    return UniqueFont(::CreateFontIndirectA(&font));
}

void SetScreenCursor(TCursor cursor) {
    screenCursor = cursor;
    ::SetCursor(::LoadCursorA(nullptr, SystemCursorName(cursor)));
}

TCursor ScreenCursor() {
    return screenCursor;
}

bool ApplyScreenCursor() {
    if (screenCursor == TCursor::Default) {
        return false;
    }
    ::SetCursor(::LoadCursorA(nullptr, SystemCursorName(screenCursor)));
    return true;
}

}  // namespace toolkit
