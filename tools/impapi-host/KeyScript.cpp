// The key script parser and the escaping of logged lines.
#include "tools/impapi-host/KeyScript.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace keyscript {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint16_t key;
    bool extended;
};

constexpr NamedKey kNamedKeys[] = {
    {"LEFT", kVkLeft, true}, {"RIGHT", kVkRight, true},   {"UP", kVkUp, true},       {"DOWN", kVkDown, true},
    {"HOME", kVkHome, true}, {"END", kVkEnd, true},       {"DEL", kVkDelete, true},  {"INS", kVkInsert, true},
    {"BS", kVkBack, false},  {"ENTER", kVkReturn, false}, {"ESC", kVkEscape, false}, {"TAB", kVkTab, false},
};

// The messages a script sends without an argument, and those whose argument follows a colon.
struct NamedMessage {
    std::string_view name;
    EditMessage message;
};
constexpr NamedMessage kPlainMessages[] = {{"CLEAR", EditMessage::Clear},
                                           {"COPY", EditMessage::Copy},
                                           {"CUT", EditMessage::Cut},
                                           {"PASTE", EditMessage::Paste}};
constexpr NamedMessage kTextMessages[] = {{"SETTEXT", EditMessage::SetText},
                                          {"REPLACESEL", EditMessage::ReplaceSel},
                                          {"LIMIT", EditMessage::Limit}};

[[noreturn]] void Fail(const std::string& problem, std::size_t offset) {
    throw KeyScriptError(problem + " at offset " + std::to_string(offset));
}

class Parser {
public:
    explicit Parser(std::string_view script) : script_(script) {}

    std::vector<KeyAction> Run() {
        while (pos_ < script_.size()) {
            Step();
        }
        if (modifierAt_ != kNone) {
            Fail(std::string("modifier ") + script_[modifierAt_] + " without a key", modifierAt_);
        }
        return std::move(actions_);
    }

private:
    static constexpr std::size_t kNone = std::string_view::npos;

    void Step() {
        const char c = script_[pos_];
        switch (c) {
            case '+':
            case '^':
                (c == '+' ? shift_ : ctrl_) = true;
                if (modifierAt_ == kNone) {
                    modifierAt_ = pos_;
                }
                ++pos_;
                return;
            case '~':
                Emit(KeyAction::Key(kVkReturn));
                ++pos_;
                return;
            case '}':
                Fail("} without an opening {", pos_);
            case '{':
                Braces();
                return;
            default:
                TypeChar(c);
                ++pos_;
                return;
        }
    }

    void TypeChar(char c) {
        // Ctrl with a letter is a key combination, not a character; the key is the same for both cases.
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (ctrl_ && upper >= 'A' && upper <= 'Z') {
            Emit(KeyAction::Key(static_cast<std::uint16_t>(upper)));
        } else {
            Emit(KeyAction::Char(c));
        }
    }

    // A braced name with its argument, the text up to the first "}": {CLIP:text}, {SETTEXT:text}, ...
    bool BracesWithArgument() {
        const std::size_t open = pos_;
        const std::size_t colon = script_.find(':', open);
        const std::size_t brace = script_.find('}', open);
        if (colon == std::string_view::npos || (brace != std::string_view::npos && brace < colon)) {
            return false;
        }
        const std::string_view name = script_.substr(open + 1, colon - open - 1);
        const auto message = std::find_if(std::begin(kTextMessages), std::end(kTextMessages),
                                          [name](const NamedMessage& named) { return named.name == name; });
        if (name != "CLIP" && message == std::end(kTextMessages)) {
            return false;
        }
        // A command, not a key: no Shift or Ctrl goes with it.
        if (modifierAt_ != kNone) {
            Fail("modifier before {" + std::string(name) + ":}", modifierAt_);
        }
        const std::size_t close = Close(colon + 1);
        std::string argument(script_.substr(colon + 1, close - colon - 1));
        pos_ = close + 1;
        if (message == std::end(kTextMessages)) {
            actions_.push_back(KeyAction::Clipboard(std::move(argument)));
        } else if (message->message != EditMessage::Limit) {
            actions_.push_back(KeyAction::Message(message->message, std::move(argument)));
        } else {
            if (argument.empty() || argument.size() > 9 ||
                argument.find_first_not_of("0123456789") != std::string::npos) {
                Fail("{LIMIT:} takes a number, not '" + argument + "'", colon + 1);
            }
            actions_.push_back(KeyAction::Message(EditMessage::Limit, {}, std::stoul(argument)));
        }
        return true;
    }

    void Braces() {
        const std::size_t open = pos_;
        if (BracesWithArgument()) {
            return;
        }
        // "{}}" is the one place where a "}" is quoted rather than closing.
        const std::size_t close = Close(script_.substr(open, 3) == "{}}" ? open + 2 : open + 1);
        const std::string_view name = script_.substr(open + 1, close - open - 1);
        pos_ = close + 1;
        if (name.size() == 1 && std::string_view("+^~{}").find(name[0]) != std::string_view::npos) {
            Emit(KeyAction::Char(name[0]));
            return;
        }
        for (const NamedKey& named : kNamedKeys) {
            if (name == named.name) {
                Emit(KeyAction::Key(named.key, false, false, named.extended));
                return;
            }
        }
        const std::string braced = "{" + std::string(name) + "}";
        for (const NamedMessage& named : kPlainMessages) {
            if (name == named.name) {
                // A command, not a key: no Shift or Ctrl goes with it.
                if (modifierAt_ != kNone) {
                    Fail("modifier before " + braced, modifierAt_);
                }
                actions_.push_back(KeyAction::Message(named.message));
                return;
            }
        }
        if (name.find(' ') != std::string_view::npos) {
            Fail("repeat count in " + braced + " is not supported", open);
        }
        Fail("unknown key name " + braced, open);
    }

    // The offset of the first "}" from `from`.
    std::size_t Close(std::size_t from) const {
        const std::size_t close = script_.find('}', from);
        if (close == std::string_view::npos) {
            Fail("{ without a closing }", pos_);
        }
        return close;
    }

    // Adds a key or character with the pending modifiers, which it uses up.
    void Emit(KeyAction action) {
        action.shift = shift_;
        action.ctrl = ctrl_;
        actions_.push_back(std::move(action));
        shift_ = ctrl_ = false;
        modifierAt_ = kNone;
    }

    std::string_view script_;
    std::size_t pos_ = 0;
    bool shift_ = false;
    bool ctrl_ = false;
    std::size_t modifierAt_ = kNone;
    std::vector<KeyAction> actions_;
};

}  // namespace

std::vector<KeyAction> ParseKeyScript(std::string_view script) {
    return Parser(script).Run();
}

std::string EscapeLine(const std::string& line) {
    std::string escaped;
    escaped.reserve(line.size());
    for (const char c : line) {
        switch (c) {
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace keyscript
