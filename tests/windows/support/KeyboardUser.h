// Real key input from a second thread, as a person at the keyboard gives it (SendInput): it reaches the
// focused window of the foreground window's thread, so each call first brings the window to the front. The
// input is queued in order; the window's thread takes each key when it next reads its messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

namespace testenv {

struct Keystroke {
    WORD key;
    bool shift = false;
};

// True once `condition` holds, false after five seconds.
template <typename Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The window of `window`'s thread that has the keyboard focus.
inline HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Brings `window` to the front and types the keys at it; false when it would not come to the front.
inline bool TypeKeys(HWND window, const std::vector<Keystroke>& keys) {
    if (!WaitUntil([window] {
            ::SetForegroundWindow(window);
            return ::GetForegroundWindow() == window;
        })) {
        return false;
    }
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD key, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (const Keystroke& stroke : keys) {
        if (stroke.shift) {
            add(VK_SHIFT, false);
        }
        add(stroke.key, false);
        add(stroke.key, true);
        if (stroke.shift) {
            add(VK_SHIFT, true);
        }
    }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

}  // namespace testenv
