// impapi-host edit: one text edit and an OK button on a small form, driven by a person or by a key script,
// with what the edit holds afterwards printed one line each.
#include "tools/impapi-host/EditWorkbench.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/Forms.h"
#include "toolkit/Module.h"
#include "toolkit/StdCtrls.h"
#include "tools/impapi-host/KeyScript.h"
#include "useredit/win32/UserEdit.h"
#include "useredit/win32/UserMaskEdit.h"

namespace workbench {
namespace {

constexpr char kUsage[] =
    "usage: impapi-host edit [--mask MASK] [--text TEXT] [--min A] [--max B] [--password C] [--keys KEYS]\n"
    "                        [--print-clipboard]\n"
    "       (--min and --max only without --mask)\n";

struct Options {
    std::optional<std::string> mask;
    std::optional<std::string> text;
    std::optional<std::string> min;
    std::optional<std::string> max;
    std::optional<char> password;
    std::optional<std::vector<keyscript::KeyAction>> keys;
    bool printClipboard = false;
};

// Reads the options; a problem is one line on stderr and nullopt.
std::optional<Options> ParseOptions(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (name == "--print-clipboard") {
            options.printClipboard = true;
            --i;  // a switch without a value
            continue;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "impapi-host edit: %s needs a value\n%s", name.c_str(), kUsage);
            return std::nullopt;
        }
        const std::string& value = args[i + 1];
        if (name == "--mask") {
            options.mask = value;
        } else if (name == "--text") {
            options.text = value;
        } else if (name == "--min") {
            options.min = value;
        } else if (name == "--max") {
            options.max = value;
        } else if (name == "--password") {
            if (value.size() != 1) {
                std::fprintf(stderr, "impapi-host edit: --password takes one character\n");
                return std::nullopt;
            }
            options.password = value[0];
        } else if (name == "--keys") {
            try {
                options.keys = keyscript::ParseKeyScript(value);
            } catch (const keyscript::KeyScriptError& error) {
                std::fprintf(stderr, "impapi-host edit: --keys: %s\n", error.what());
                return std::nullopt;
            }
        } else {
            std::fprintf(stderr, "impapi-host edit: unknown option: %s\n%s", name.c_str(), kUsage);
            return std::nullopt;
        }
    }
    if (options.mask && (options.min || options.max)) {
        std::fprintf(stderr, "impapi-host edit: --min and --max do not go with --mask\n%s", kUsage);
        return std::nullopt;
    }
    return options;
}

// Windows-1252 as UTF-8, with CR, LF and backslash escaped so that each value stays one line.
std::string OutputLine(const std::string& ansi) {
    const std::string escaped = keyscript::EscapeLine(ansi);
    const int wideLength =
        ::MultiByteToWideChar(1252, 0, escaped.data(), static_cast<int>(escaped.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(1252, 0, escaped.data(), static_cast<int>(escaped.size()), wide.data(), wideLength);
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
    return text;
}

std::string ExceptionText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return "unknown exception";
    }
}

// The edit under test: a text edit, or with a mask the masked text edit; both hold their value as text.
class TWorkbenchForm final : public toolkit::TForm {
public:
    explicit TWorkbenchForm(const std::optional<std::string>& mask)
        : TForm("TImpApiHostEdit", "impapi-host edit", 260, 72, nullptr, true) {
        if (mask) {
            auto masked = std::make_unique<useredit::TMaskEditText>(*this, 8, 8, 244, 21);
            masked->SetEditMask(*mask);
            value = [edit = masked.get()] { return edit->Value(); };
            valueOld = [edit = masked.get()] { return edit->ValueOld(); };
            setValue = [edit = masked.get()](const std::string& text) { edit->SetValue(text); };
            control = std::move(masked);
        } else {
            auto plain = std::make_unique<useredit::TEditText>(*this, 8, 8, 244, 21);
            textEdit = plain.get();
            value = [edit = plain.get()] { return edit->Value(); };
            valueOld = [edit = plain.get()] { return edit->ValueOld(); };
            setValue = [edit = plain.get()](const std::string& text) { edit->SetValue(text); };
            control = std::move(plain);
        }
        control->SetName("EditText1");
        ok.OnClick = [this] {
            // The edit has the focus again when it refused to be left.
            if (!control->Focused()) {
                closed = true;
                SetModalResult(toolkit::mrOk);
                Hide();
            }
        };
        SetTabOrder({control.get(), &ok});
        control->Loaded();
    }

    std::unique_ptr<useredit::TCustomUserEdit> control;
    useredit::TEditText* textEdit = nullptr;  // the text edit's bounds, when there is no mask
    std::function<std::string()> value;
    std::function<std::string()> valueOld;
    std::function<void(const std::string&)> setValue;
    toolkit::TButton ok{*this, "OK", 177, 40, 75, 25};
    bool closed = false;

private:
    void FormClose(toolkit::TCloseAction& /*action*/) override { closed = true; }
};

// Presses one key as the keyboard would: the modifier state set while the key goes down and up, each
// message handled before the next.
void PressKey(WORD key, bool shift, bool ctrl, bool extended) {
    BYTE saved[256] = {};
    ::GetKeyboardState(saved);
    BYTE state[256];
    std::copy(std::begin(saved), std::end(saved), std::begin(state));
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
    const LPARAM down = 1 | static_cast<LPARAM>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16 |
                        (extended ? LPARAM{1} << 24 : 0);
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, down);
    toolkit::TForm::ProcessMessages();
    ::PostMessageA(::GetFocus(), WM_KEYUP, key, down | LPARAM{1} << 30 | static_cast<LPARAM>(1u << 31));
    toolkit::TForm::ProcessMessages();
    ::SetKeyboardState(saved);
}

void TypeChar(char c, bool shift, bool ctrl) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const SHORT scan = byte >= 0x20 && byte <= 0x7E ? ::VkKeyScanA(c) : SHORT{-1};
    // Characters of the keyboard's own keys (no Ctrl or Alt needed) are typed; others arrive as characters.
    if (scan != -1 && (HIBYTE(scan) & ~1) == 0) {
        PressKey(LOBYTE(scan), shift || (HIBYTE(scan) & 1) != 0, ctrl, false);
        return;
    }
    ::PostMessageA(::GetFocus(), WM_CHAR, byte, 1);
    toolkit::TForm::ProcessMessages();
}

void SetClipboardText(HWND owner, const std::string& text) {
    if (!::OpenClipboard(owner)) {
        return;
    }
    ::EmptyClipboard();
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        char* target = static_cast<char*>(::GlobalLock(memory));
        std::copy(text.begin(), text.end(), target);
        target[text.size()] = '\0';
        ::GlobalUnlock(memory);
        if (::SetClipboardData(CF_TEXT, memory) == nullptr) {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
}

// The clipboard's text, empty when it holds none.
std::string ClipboardText(HWND owner) {
    std::string text;
    if (!::OpenClipboard(owner)) {
        return text;
    }
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* characters = static_cast<const char*>(::GlobalLock(data))) {
            text.assign(characters, std::find(characters, characters + ::GlobalSize(data), '\0'));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

// Sends the edit a message as another program, a menu or a tool sends it; the text and number the action
// holds are the message's arguments.
void SendEditMessage(HWND edit, const keyscript::KeyAction& action) {
    using keyscript::EditMessage;
    // The message of each action, and its arguments: the action's text, or its number.
    constexpr UINT kMessages[] = {WM_CLEAR,   WM_COPY,       WM_CUT,      WM_PASTE,
                                  WM_SETTEXT, EM_REPLACESEL, EM_LIMITTEXT};
    static_assert(std::size(kMessages) == static_cast<std::size_t>(EditMessage::Limit) + 1, "one per action");
    const UINT message = kMessages[static_cast<int>(action.message)];
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    if (action.message == EditMessage::SetText || action.message == EditMessage::ReplaceSel) {
        wParam =
            action.message == EditMessage::ReplaceSel ? TRUE : 0;  // as a program's replacement: undoable
        lParam = reinterpret_cast<LPARAM>(action.text.c_str());
    } else if (action.message == EditMessage::Limit) {
        wParam = static_cast<WPARAM>(action.number);
    }
    ::SendMessageA(edit, message, wParam, lParam);
    toolkit::TForm::ProcessMessages();
}

void Play(TWorkbenchForm& form, const std::vector<keyscript::KeyAction>& actions) {
    for (const keyscript::KeyAction& action : actions) {
        if (form.closed) {
            return;
        }
        switch (action.kind) {
            case keyscript::ActionKind::TypeChar:
                TypeChar(action.ch, action.shift, action.ctrl);
                break;
            case keyscript::ActionKind::PressKey:
                PressKey(action.key, action.shift, action.ctrl, action.extended);
                break;
            case keyscript::ActionKind::SetClipboard:
                SetClipboardText(form.Handle(), action.text);
                break;
            case keyscript::ActionKind::EditMessage:
                SendEditMessage(form.control->Handle(), action);
                break;
        }
    }
}

}  // namespace

int RunEditWorkbench(const std::vector<std::string>& args) {
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        return 2;
    }
    const bool scripted = options->keys.has_value();
    std::optional<std::string> firstError;
    int beeps = 0;
    // A person sees the messages and hears the beeps; a script only records them.
    toolkit::ExceptionReporter showMessage = toolkit::SetExceptionReporter({});
    toolkit::SetExceptionReporter([&](std::exception_ptr error) {
        if (!firstError) {
            firstError = ExceptionText(error);
        }
        if (!scripted) {
            ::MessageBoxA(nullptr, ExceptionText(error).c_str(), "impapi-host edit", MB_OK | MB_ICONERROR);
        }
    });
    toolkit::SetBeeper([&] {
        ++beeps;
        if (!scripted) {
            ::MessageBeep(0);
        }
    });

    std::optional<TWorkbenchForm> form;
    try {
        form.emplace(options->mask);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "impapi-host edit: the window cannot be created: %s\n", error.what());
        return 1;
    }
    useredit::TCustomUserEdit& edit = *form->control;
    try {
        if (options->min) {
            form->textEdit->SetValueMin(*options->min);
        }
        if (options->max) {
            form->textEdit->SetValueMax(*options->max);
        }
        if (options->password) {
            edit.SetPasswordChar(*options->password);
        }
        if (options->text) {
            form->setValue(*options->text);
        }
    } catch (...) {
        toolkit::ReportException(std::current_exception());
    }

    if (scripted) {
        form->Show();
        edit.SetFocus();
        toolkit::TForm::ProcessMessages();
        Play(*form, *options->keys);
    } else {
        form->ShowModal();
    }

    const useredit::EditSelection selection = edit.Selection();
    const std::string text = edit.Text();
    const bool modified = edit.TextModified();
    const int beepsSeen = beeps;
    std::string value;
    try {
        value = form->value();
    } catch (...) {
        if (!firstError) {
            firstError = ExceptionText(std::current_exception());
        }
        value = form->valueOld();
    }
    std::printf("text: %s\n", OutputLine(text).c_str());
    std::printf("selection: %d %d\n", selection.Start, selection.End);
    std::printf("modified: %d\n", modified ? 1 : 0);
    std::printf("beeps: %d\n", beepsSeen);
    std::printf("value: %s\n", OutputLine(value).c_str());
    if (firstError) {
        std::printf("error: %s\n", OutputLine(*firstError).c_str());
    }
    if (options->printClipboard) {
        std::printf("clipboard: %s\n", OutputLine(ClipboardText(form->Handle())).c_str());
    }
    std::fflush(stdout);
    toolkit::SetBeeper({});
    toolkit::SetExceptionReporter(std::move(showMessage));
    return 0;
}

}  // namespace workbench
