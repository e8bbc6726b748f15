// Typing into toolkit windows as a keyboard would, and reading back what a window shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Forms.h"

namespace testenv {

// A key going down and up at the focused window, each message handled by the toolkit's loop; the loop's
// TranslateMessage makes the character of a character key.
inline void TypeKey(WORD key) {
    HWND focus = ::GetFocus();
    ::PostMessageA(focus, WM_KEYDOWN, key, 1);
    toolkit::TForm::ProcessMessages();
    ::PostMessageA(::GetFocus(), WM_KEYUP, key, 0xC0000001);
    toolkit::TForm::ProcessMessages();
}

// Characters as the keyboard's translation delivers them.
inline void TypeText(const std::string& text) {
    for (char c : text) {
        ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
        toolkit::TForm::ProcessMessages();
    }
}

inline std::pair<int, int> Selection(HWND edit) {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

// The client area's pixels as the window paints them now, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Picture&) const = default;
};

inline Picture CaptureClient(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    ::GetClientRect(window, &client);
    Picture picture{client.right, client.bottom, {}};
    HDC source = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, picture.width, picture.height);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, picture.width, picture.height, source, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bits(static_cast<std::size_t>(picture.width * picture.height));
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(picture.height), bits.data(), &info, DIB_RGB_COLORS);
    for (DWORD bgr : bits) {
        picture.pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, source);
    return picture;
}

}  // namespace testenv
