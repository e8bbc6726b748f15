// The workbench's key scripts against their syntax, and the escaping of logged lines.
#include "tools/impapi-host/KeyScript.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace keyscript {

// Failures show the action instead of its bytes.
void PrintTo(const KeyAction& a, std::ostream* os) {
    const char* const kinds[] = {"Char", "Key", "Clipboard", "Message"};
    *os << kinds[static_cast<int>(a.kind)] << "(ch=" << static_cast<int>(static_cast<unsigned char>(a.ch))
        << " key=0x" << std::hex << a.key << std::dec << " shift=" << a.shift << " ctrl=" << a.ctrl
        << " extended=" << a.extended << " text=\"" << a.text << "\" message=" << static_cast<int>(a.message)
        << " number=" << a.number << ")";
}

}  // namespace keyscript

namespace {

using keyscript::EditMessage;
using keyscript::KeyAction;

TEST(ParseKeyScript, TranslatesScriptsIntoActions) {
    const auto Char = KeyAction::Char;
    const auto Key = KeyAction::Key;
    struct Case {
        std::string script;
        std::vector<KeyAction> actions;
    };
    const Case cases[] = {
        {"", {}},
        {"a1 ", {Char('a', false, false), Char('1', false, false), Char(' ', false, false)}},
        {"%()", {Char('%', false, false), Char('(', false, false), Char(')', false, false)}},
        {"\344\374", {Char('\344', false, false), Char('\374', false, false)}},
        {"+a", {Char('a', true, false)}},
        {"^a", {Key('A', false, true, false)}},
        {"^A", {Key('A', false, true, false)}},
        {"+^z", {Key('Z', true, true, false)}},
        {"^+z", {Key('Z', true, true, false)}},
        {"^1^\344", {Char('1', false, true), Char('\344', false, true)}},
        {"a^b+c", {Char('a', false, false), Key('B', false, true, false), Char('c', true, false)}},
        {"{LEFT}{RIGHT}{UP}{DOWN}{HOME}{END}{DEL}{INS}",
         {Key(0x25, false, false, true), Key(0x27, false, false, true), Key(0x26, false, false, true),
          Key(0x28, false, false, true), Key(0x24, false, false, true), Key(0x23, false, false, true),
          Key(0x2E, false, false, true), Key(0x2D, false, false, true)}},
        {"{BS}{ENTER}~{ESC}{TAB}",
         {Key(0x08, false, false, false), Key(0x0D, false, false, false), Key(0x0D, false, false, false),
          Key(0x1B, false, false, false), Key(0x09, false, false, false)}},
        {"^{LEFT}+{END}+^~",
         {Key(0x25, false, true, true), Key(0x23, true, false, true), Key(0x0D, true, true, false)}},
        {"{+}{^}{~}{{}{}}",
         {Char('+', false, false), Char('^', false, false), Char('~', false, false), Char('{', false, false),
          Char('}', false, false)}},
        {"+{+}", {Char('+', true, false)}},
        {"{CLIP:}", {KeyAction::Clipboard("")}},
        {"{CLIP:a+b{c}x^v",
         {KeyAction::Clipboard("a+b{c"), Char('x', false, false), Key('V', false, true, false)}},
        {"+{RIGHT}{CLEAR}{CLEAR}", {Key(0x27, true, false, true), KeyAction::Clear(), KeyAction::Clear()}},
        // What other programs send the edit, with the text up to the first "}".
        {"{COPY}{CUT}{PASTE}{LIMIT:3}{LIMIT:0}",
         {KeyAction::Message(EditMessage::Copy), KeyAction::Message(EditMessage::Cut),
          KeyAction::Message(EditMessage::Paste), KeyAction::Message(EditMessage::Limit, "", 3),
          KeyAction::Message(EditMessage::Limit, "", 0)}},
        {"{SETTEXT:}{SETTEXT:a:b{c}{REPLACESEL:99}x",
         {KeyAction::Message(EditMessage::SetText, ""), KeyAction::Message(EditMessage::SetText, "a:b{c"),
          KeyAction::Message(EditMessage::ReplaceSel, "99"), Char('x', false, false)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(keyscript::ParseKeyScript(c.script), c.actions);
    }
}

TEST(ParseKeyScript, RefusesUsageErrorsNamingProblemAndOffset) {
    struct Case {
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"{LEFT 3}", "repeat count in {LEFT 3} is not supported at offset 0"},
        {"abc{left}", "unknown key name {left} at offset 3"},
        {"{F1}", "unknown key name {F1} at offset 0"},
        {"{CLIP}", "unknown key name {CLIP} at offset 0"},
        {"x{}", "unknown key name {} at offset 1"},
        {"ab{LEFT", "{ without a closing } at offset 2"},
        {"{+}{", "{ without a closing } at offset 3"},
        {"{CLIP:abc", "{ without a closing } at offset 0"},
        {"a}", "} without an opening { at offset 1"},
        {"{}}}", "} without an opening { at offset 3"},
        {"a+", "modifier + without a key at offset 1"},
        {"x^+", "modifier ^ without a key at offset 1"},
        {"a+{CLIP:x}", "modifier before {CLIP:} at offset 1"},
        {"^{CLEAR}", "modifier before {CLEAR} at offset 0"},
        {"{clear}", "unknown key name {clear} at offset 0"},
        {"{settext:a}", "unknown key name {settext:a} at offset 0"},
        {"{LIMIT:}", "{LIMIT:} takes a number, not '' at offset 7"},
        {"{LIMIT:-1}", "{LIMIT:} takes a number, not '-1' at offset 7"},
        {"{LIMIT:1234567890}", "{LIMIT:} takes a number, not '1234567890' at offset 7"},
        {"+{SETTEXT:a}", "modifier before {SETTEXT:} at offset 0"},
        {"^{COPY}", "modifier before {COPY} at offset 0"},
        {"{REPLACESEL:a", "{ without a closing } at offset 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        try {
            keyscript::ParseKeyScript(c.script);
            ADD_FAILURE() << "no KeyScriptError";
        } catch (const keyscript::KeyScriptError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(EscapeLine, WritesLineBreaksAndBackslashesAsEscapes) {
    EXPECT_EQ(keyscript::EscapeLine(""), "");
    EXPECT_EQ(keyscript::EscapeLine("a\r\nb\tc\374"), "a\\r\\nb\tc\374");
    // A backslash before an n must stay apart from an escaped line feed.
    EXPECT_EQ(keyscript::EscapeLine("\\n\n"), "\\\\n\\n");
}

}  // namespace
