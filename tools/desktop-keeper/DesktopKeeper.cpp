// desktop-keeper: holds the Wine session's desktop open while a test run lasts. Wine closes a desktop (its
// explorer process ends) about a second after the last program using it ended and opens it again for the
// next, so between two tests it would close and open; a program that starts while it closes can fail in
// user32's start-up. With one program always on the desktop it is never closed. Prints "ready" once it is a
// user of the desktop, then waits until the session ends it.
#include <windows.h>

#include <cstdio>

int main() {
    // A message-only window makes this thread a user of the desktop, without a window anyone can see.
    HWND window = ::CreateWindowExA(0, "STATIC", "desktop-keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "desktop-keeper: no window (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageA(&message);
    }
    return 0;
}
