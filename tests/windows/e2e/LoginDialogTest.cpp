// The credentials dialog behind ApiDataDialog, driven from a second thread as a user would drive it: its
// layout, its outcomes and what reaches the host's buffers, byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/KeyboardUser.h"
#include "support/PluginHost.h"
#include "support/TestEnvironment.h"

namespace {

using testenv::PluginHost;

constexpr char kDialogClass[] = "TdlgKalventoLogin";

// A host buffer: the text, its terminator, then sentinel bytes that nothing may touch except the cut.
std::vector<char> HostBuffer(const std::string& text, std::size_t size = 256) {
    std::vector<char> buffer(size, '#');
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
    return buffer;
}

std::string Text(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// The dialog's controls in tab order: user, password, Abbrechen, OK.
std::vector<HWND> TabOrder(HWND dialog) {
    std::vector<HWND> controls;
    for (HWND control = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
         control != nullptr && (controls.empty() || control != controls.front());
         control = ::GetNextDlgTabItem(dialog, control, FALSE)) {
        controls.push_back(control);
    }
    return controls;
}

void TypeInto(HWND edit, const std::string& text) {
    for (char c : text) {
        ::PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

// Runs ApiDataDialog while `user` acts on the dialog, and checks that no dialog window outlives the call.
std::int32_t ShowDialog(char* userNumber, char* password, const std::function<void(HWND)>& user) {
    const PluginHost plugin;
    std::int32_t result = 0;
    {
        const testenv::WindowRobot robot(kDialogClass, user);
        result = plugin.ApiDataDialog(userNumber, password, 0);
    }
    EXPECT_EQ(::FindWindowA(kDialogClass, nullptr), nullptr)
        << "the dialog is destroyed before the call returns";
    return result;
}

struct Control {
    std::string className;
    std::string text;
    RECT rect;
    bool bold;
    SIZE textSize;
};

TEST(LoginDialog, LayoutAsDesigned) {
    std::string caption;
    RECT client{};
    LONG style = 0;
    std::vector<Control> controls;
    std::vector<std::string> tabOrder;
    HWND focus = nullptr;
    HWND firstEdit = nullptr;
    char passwordChar = 0;
    bool okIsDefault = false;
    const auto inspect = [&](HWND dialog) {
        caption = Text(dialog);
        ::GetClientRect(dialog, &client);
        style = ::GetWindowLongA(dialog, GWL_STYLE);
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            Control control{};
            char name[32] = {};
            ::GetClassNameA(child, name, sizeof name);
            control.className = name;
            control.text = control.className == "Edit" ? "" : Text(child);
            ::GetWindowRect(child, &control.rect);
            ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
            LOGFONTA font{};
            ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)), sizeof font,
                         &font);
            control.bold = font.lfWeight >= FW_BOLD;
            control.textSize = testenv::CaptionExtent(child);
            controls.push_back(control);
        }
        const std::vector<HWND> order = TabOrder(dialog);
        for (HWND control : order) {
            tabOrder.push_back(Text(control));
        }
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
        focus = info.hwndFocus;
        firstEdit = order.empty() ? nullptr : order[0];
        passwordChar =
            order.size() > 1 ? static_cast<char>(::SendMessageA(order[1], EM_GETPASSWORDCHAR, 0, 0)) : 0;
        okIsDefault = order.size() > 3 && (::GetWindowLongA(order[3], GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
        ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "Abbrechen"), BM_CLICK, 0, 0);
    };
    char user[128] = "4711";
    char password[128] = "geheim";
    EXPECT_EQ(ShowDialog(user, password, inspect), 2);

    EXPECT_EQ(caption, "kalvento Zugangsdaten");
    EXPECT_EQ(client.right, 266);
    EXPECT_EQ(client.bottom, 161);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    const auto at = [](const Control& c) {
        return std::vector<long>{c.rect.left, c.rect.top, c.rect.right - c.rect.left,
                                 c.rect.bottom - c.rect.top};
    };
    // A label has its layout's size, or its text's where the font draws the text larger: it never clips.
    const std::map<std::string, std::pair<long, long>> labelLayout = {
        {"Schnittstellen-Version:", {128, 13}},
        {"kalvento Benutzernummer", {123, 13}},
        {"kalvento Benutzer-Passwort", {132, 13}}};
    // The version label keeps the layout's gap of 8 pixels after its caption, wherever that ends.
    long versionLeft = 152;
    for (const Control& c : controls) {
        if (c.text == "Schnittstellen-Version:") {
            versionLeft = std::max(versionLeft, c.rect.right + 8);
        }
    }
    std::vector<std::string> seen;
    for (const Control& c : controls) {
        std::vector<long> bounds = at(c);
        if (const auto layout = labelLayout.find(c.text); layout != labelLayout.end()) {
            EXPECT_EQ(bounds[2], std::max(layout->second.first, c.textSize.cx)) << c.text;
            EXPECT_EQ(bounds[3], std::max(layout->second.second, c.textSize.cy)) << c.text;
            bounds[2] = layout->second.first;
            bounds[3] = layout->second.second;
        }
        if (c.text == "2.0.1") {
            EXPECT_EQ(bounds[0], versionLeft);
            bounds[0] = 152;
        }
        seen.push_back(c.className + " '" + c.text + "' " + testing::PrintToString(bounds) +
                       (c.bold ? " bold" : ""));
    }
    // The version label takes the width of its text; its place is fixed.
    EXPECT_THAT(seen, testing::UnorderedElementsAre(
                          "Edit '' { 16, 48, 161, 15 }", "Edit '' { 16, 88, 161, 15 }",
                          "Button 'Abbrechen' { 16, 123, 75, 25 }", "Button 'OK' { 176, 123, 75, 25 }",
                          "Static 'Schnittstellen-Version:' { 16, 8, 128, 13 } bold",
                          testing::StartsWith("Static '2.0.1' { 152, 8,"),
                          "Static 'kalvento Benutzernummer' { 16, 33, 123, 13 }",
                          "Static 'kalvento Benutzer-Passwort' { 16, 73, 132, 13 }"));
    EXPECT_THAT(seen, testing::Contains(
                          testing::AllOf(testing::StartsWith("Static '2.0.1'"), testing::EndsWith(" bold"))));
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"4711", "geheim", "Abbrechen", "OK"}));
    EXPECT_EQ(focus, firstEdit);
    EXPECT_EQ(passwordChar, '*');
    EXPECT_TRUE(okIsDefault);
}

struct Outcome {
    const char* name;
    std::function<void(HWND dialog, HWND user, HWND password)> act;
    std::int32_t result;
    const char* user;  // what the user buffer holds afterwards (the password stays "geheim" in every case)
};

TEST(LoginDialog, OnlyOkWritesTheBuffers) {
    const auto click = [](HWND dialog, const char* caption) {
        ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", caption), BM_CLICK, 0, 0);
    };
    const std::vector<Outcome> outcomes = {
        {"OK unchanged", [&](HWND d, HWND, HWND) { click(d, "OK"); }, 1, "4711"},
        {"typed, then OK",
         [&](HWND d, HWND u, HWND) {
             TypeInto(u, "0815");
             click(d, "OK");
         },
         1, "0815"},
        {"typed, then Enter",
         [](HWND, HWND u, HWND) {
             TypeInto(u, "0815");
             ::PostMessageA(u, WM_KEYDOWN, VK_RETURN, 1);
         },
         1, "0815"},
        {"typed, then Abbrechen",
         [&](HWND d, HWND u, HWND) {
             TypeInto(u, "0815");
             click(d, "Abbrechen");
         },
         2, "4711"},
        {"typed, then Escape",
         [](HWND, HWND u, HWND) {
             TypeInto(u, "0815");
             ::PostMessageA(u, WM_KEYDOWN, VK_ESCAPE, 1);
         },
         2, "4711"},
        {"typed, then the close box",
         [](HWND d, HWND u, HWND) {
             TypeInto(u, "0815");
             ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
         },
         2, "4711"},
    };
    for (const Outcome& outcome : outcomes) {
        std::vector<char> user = HostBuffer("4711");
        std::vector<char> password = HostBuffer("geheim");
        const std::int32_t result = ShowDialog(user.data(), password.data(), [&](HWND dialog) {
            const std::vector<HWND> order = TabOrder(dialog);
            outcome.act(dialog, order.at(0), order.at(1));
        });
        EXPECT_EQ(result, outcome.result) << outcome.name;
        std::vector<char> expected = HostBuffer("4711");
        std::copy_n(outcome.user, std::strlen(outcome.user) + 1, expected.begin());
        EXPECT_EQ(user, expected) << outcome.name;
        EXPECT_EQ(password, HostBuffer("geheim")) << outcome.name;
    }
}

TEST(LoginDialog, LongTextsShowWholeAndComeBackCutTo127) {
    const std::string longPassword(200, 'p');
    std::vector<char> user = HostBuffer("");
    std::vector<char> password = HostBuffer(longPassword);
    int shownLength = 0;
    std::string shownUser = "?";
    EXPECT_EQ(ShowDialog(user.data(), password.data(),
                         [&](HWND dialog) {
                             const std::vector<HWND> order = TabOrder(dialog);
                             shownUser = Text(order.at(0));
                             shownLength = ::GetWindowTextLengthA(order.at(1));
                             ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
                         }),
              1);
    EXPECT_EQ(shownLength, 200);
    EXPECT_EQ(shownUser, "");
    std::vector<char> expected = HostBuffer(longPassword);
    expected[127] = '\0';
    EXPECT_EQ(password, expected) << "127 characters, the terminator, the rest untouched";
    EXPECT_EQ(user, HostBuffer(""));
}

TEST(LoginDialog, NullBuffersReadAsEmptyAndAreNeverWritten) {
    std::vector<char> password = HostBuffer("geheim");
    std::string shownUser = "?";
    const auto typeAndConfirm = [&](HWND dialog) {
        const std::vector<HWND> order = TabOrder(dialog);
        shownUser = Text(order.at(0));
        ::PostMessageA(order.at(0), WM_KEYDOWN, VK_TAB, 1);  // on to the password, which selects it whole
        TypeInto(order.at(1), "neu");
        ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(ShowDialog(nullptr, password.data(), typeAndConfirm), 1);
    EXPECT_EQ(shownUser, "");
    std::vector<char> expected = HostBuffer("geheim");
    std::copy_n("neu", 4, expected.begin());
    EXPECT_EQ(password, expected);

    std::vector<char> user = HostBuffer("4711");
    EXPECT_EQ(ShowDialog(user.data(), nullptr,
                         [](HWND dialog) {
                             ::PostMessageA(::FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
                         }),
              1);
    EXPECT_EQ(user, HostBuffer("4711"));
    EXPECT_EQ(ShowDialog(nullptr, nullptr, [](HWND dialog) { ::PostMessageA(dialog, WM_CLOSE, 0, 0); }), 2);
}

constexpr testenv::Keystroke kTab{VK_TAB};
constexpr testenv::Keystroke kBackTab{VK_TAB, true};
constexpr testenv::Keystroke kEnter{VK_RETURN};
constexpr testenv::Keystroke kNine{'9'};

struct KeyboardOutcome {
    const char* name;
    // What another program does first (a password tool, a stray message), from the user's thread.
    std::function<void(HWND dialog, HWND user, HWND password)> before;
    std::vector<testenv::Keystroke> keys;
    std::int32_t result;
    const char* user;
    const char* password;
};

// Real keys at the dialog in the foreground: Enter presses the focused button, else OK.
TEST(LoginDialog, KeysPressWhatHasTheFocus) {
    const auto nothing = [](HWND, HWND, HWND) {};
    const std::vector<KeyboardOutcome> outcomes = {
        {"typed, Enter in the user field", nothing, {kNine, kEnter}, 1, "9", "geheim"},
        {"typed, Enter in the password field", nothing, {kNine, kTab, kEnter}, 1, "9", "geheim"},
        {"typed, Enter on Abbrechen", nothing, {kNine, kTab, kTab, kEnter}, 2, "4711", "geheim"},
        {"typed, Space on Abbrechen", nothing, {kNine, kTab, kTab, {VK_SPACE}}, 2, "4711", "geheim"},
        {"back from Abbrechen to the password, Enter",
         nothing,
         {kTab, kTab, kBackTab, kEnter},
         1,
         "4711",
         "geheim"},
        {"typed, Escape", nothing, {kNine, {VK_ESCAPE}}, 2, "4711", "geheim"},
        // A password tool fills the field while the focus is in the other one: OK takes what it wrote.
        {"password set from outside, Enter",
         [](HWND, HWND, HWND password) { ::SendMessageA(password, WM_SETTEXT, 0, LPARAM("werkzeug")); },
         {kEnter},
         1,
         "4711",
         "werkzeug"},
    };
    for (const KeyboardOutcome& outcome : outcomes) {
        std::vector<char> user = HostBuffer("4711");
        std::vector<char> password = HostBuffer("geheim");
        bool typed = false;
        const std::int32_t result = ShowDialog(user.data(), password.data(), [&](HWND dialog) {
            const std::vector<HWND> order = TabOrder(dialog);
            outcome.before(dialog, order.at(0), order.at(1));
            typed = testenv::TypeKeys(dialog, outcome.keys);
            if (!typed) {
                ::PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
        });
        ASSERT_TRUE(typed) << outcome.name << ": the dialog did not come to the front";
        EXPECT_EQ(result, outcome.result) << outcome.name;
        EXPECT_STREQ(user.data(), outcome.user) << outcome.name;
        EXPECT_STREQ(password.data(), outcome.password) << outcome.name;
    }
}

TEST(LoginDialog, TheDefaultFrameFollowsTheFocusedButton) {
    std::vector<std::string> framed;  // the caption of the framed buttons, after each focus move
    const auto frames = [](HWND cancel, HWND ok) {
        std::string seen;
        for (HWND button : {cancel, ok}) {
            if ((::GetWindowLongA(button, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON) {
                seen += (seen.empty() ? "" : "+") + Text(button);
            }
        }
        return seen;
    };
    char user[128] = "4711";
    char password[128] = "geheim";
    EXPECT_EQ(ShowDialog(user, password,
                         [&](HWND dialog) {
                             const std::vector<HWND> order = TabOrder(dialog);
                             framed.push_back(frames(order.at(2), order.at(3)));
                             // Tab goes round: password, Abbrechen, OK, and back to the user number.
                             for (std::size_t next = 1; next <= order.size(); ++next) {
                                 testenv::TypeKeys(dialog, {kTab});
                                 const HWND focus = order.at(next % order.size());
                                 testenv::WaitUntil([&] { return testenv::FocusOf(dialog) == focus; });
                                 ::SendMessageA(dialog, WM_NULL, 0, 0);  // the focus move is handled whole
                                 framed.push_back(frames(order.at(2), order.at(3)));
                             }
                             testenv::TypeKeys(dialog, {{VK_ESCAPE}});
                         }),
              2);
    EXPECT_EQ(framed, (std::vector<std::string>{"OK", "OK", "Abbrechen", "OK", "OK"}));
}

}  // namespace
