// The edit mask format and the masked edit's text algorithms, against the format's own examples and edges.
#include "useredit/EditMask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "useredit/CharServices.h"

namespace {

using useredit::CharDecision;
using useredit::EditMask;
using useredit::GlobalMaskSettings;
using useredit::MaskSettings;

const useredit::Cp1252CharServices kChars;

// Every mask test runs with "." as the date separator, so that a locale literal differs from its mask
// character. An EditMask is given it when it is made.
MaskSettings DottedSettings() {
    MaskSettings settings;
    settings.DateSeparator = '.';
    return settings;
}

EditMask Mask(std::string_view mask, char blank = '_') {
    return EditMask(mask, blank, kChars, DottedSettings());
}

// The format's routines read the process's settings, which come back afterwards.
class EditMaskFormat : public ::testing::Test {
protected:
    void SetUp() override { GlobalMaskSettings() = DottedSettings(); }
    void TearDown() override { GlobalMaskSettings() = saved_; }

private:
    MaskSettings saved_ = GlobalMaskSettings();
};

class EditMaskTyping : public ::testing::Test {};
class EditMaskText : public ::testing::Test {};

// Kinds, one letter per position, in the order of TMaskCharKind: - none, l literal, s locale literal,
// d directive, r required, o optional, F field separator, f field.
useredit::TMaskCharKind KindOf(char code) {
    return static_cast<useredit::TMaskCharKind>(std::string_view("-lsdroFf").find(code));
}

TEST_F(EditMaskFormat, MaskCharKindClassifiesEveryPosition) {
    struct Case {
        std::string_view mask;
        std::string kinds;
        char fieldSeparator = ';';
    };
    const Case cases[] = {
        {R"(\0\0-00)", "dldllrr"},
        {"00;0_", "rrFfl"},
        {"0;0", "rlr"},                                 // shorter than four: no fields
        {"0;00000", "rlrrrrr"},                         // the separator lies before the last four characters
        {";000", "Ffrr"},                               // four characters, separator at position 1
        {std::string_view(";0000").substr(1), "rrrr"},  // nothing before position 1 starts a field
        {R"(00\;)", "rrdl"},                            // an escaped separator is a literal
        {R"(\;0a)", "dlro"},                            // and starts no field
        {R"(\;;0)", "dlFf"},
        {R"(0;\0)", "rFfl"},  // the field character is a "\", which still escapes the next
        {"00|0", "rrFf", '|'},
        {R"(\\)", "dl"},
        {R"(\\\0)", "dldr"},
        {R"(0\)", "rd"},  // a "\" at the end escapes nothing
        {R"(\/)", "dl"},
        {"00/00:00", "rrsrrsrr"},
        {R"(!<>\)", "dddd"},
        {"#9aclX0ACL", "ooooolrrrr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        GlobalMaskSettings().FieldSeparator = c.fieldSeparator;
        const int length = static_cast<int>(c.mask.size());
        for (int pos = 0; pos <= length + 1; ++pos) {
            const char code = pos >= 1 && pos <= length ? c.kinds[static_cast<std::size_t>(pos - 1)] : '-';
            EXPECT_EQ(useredit::MaskCharKind(c.mask, pos), KindOf(code)) << "position " << pos;
        }
    }
}

TEST_F(EditMaskFormat, MaskCaseAtFollowsTheDirectivesBefore) {
    // One character per position: > upper, < lower, - none.
    const struct {
        std::string_view mask;
        std::string cases;
    } cases[] = {{">LLL", "->>>"}, {"<LL>LL", "-<<<>>"}, {"<>LL", "-<--"}, {R"(\>L)", "-->"},
                 {"<>>L", "-<->"}, {">L<L>L", "->><<>"}, {"LL", "--"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        for (std::size_t i = 0; i < c.cases.size(); ++i) {
            const auto expected = c.cases[i] == '>'   ? useredit::MaskCase::Upper
                                  : c.cases[i] == '<' ? useredit::MaskCase::Lower
                                                      : useredit::MaskCase::None;
            EXPECT_EQ(useredit::MaskCaseAt(c.mask, static_cast<int>(i) + 1), expected)
                << "position " << i + 1;
        }
    }
}

TEST_F(EditMaskFormat, LocaleLiteralCharGivesTheSeparators) {
    const struct {
        char date, time, c, expected;
    } cases[] = {{'.', ':', '/', '.'}, {'-', '.', ':', '.'}, {'.', '.', '-', '-'}, {'.', ':', '.', '.'}};
    for (const auto& c : cases) {
        GlobalMaskSettings().DateSeparator = c.date;
        GlobalMaskSettings().TimeSeparator = c.time;
        EXPECT_EQ(useredit::LocaleLiteralChar(c.c), c.expected) << c.c;
    }
}

// Positions and offsets of whole masks: the offset counted up to each position, the position of each
// offset from 0 to one beyond the text, and which offsets are literals.
struct MappingCase {
    std::string_view mask;
    std::vector<int> offsetOfPos;
    std::vector<int> posOfOffset;
    std::string literalOffsets;  // "l" per literal offset, 0 to MaskLength
};
const MappingCase kMappings[] = {
    {"00-00", {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5, 5, -1}, "..l..."},
    {R"(\0\0-00)", {0, 1, 1, 2, 3, 4, 5}, {2, 4, 5, 6, 7, 7, -1}, "lll..."},
    {"!>00", {0, 0, 1, 2}, {3, 4, 4, -1}, "..."},
    {"00;0_", {1, 2, 2, 2, 3}, {1, 2, 3, 4, -1}, "...."},  // fields take offsets in the walk
    {"00/00:00", {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8, 8, -1}, "..l..l..."},
    {"0-", {1, 2}, {1, 2, 2, -1}, ".ll"},
    {">", {0}, {1, -1}, "."},
    {"", {}, {0, -1}, "."},
};

TEST_F(EditMaskFormat, PositionsAndOffsetsMapBothWays) {
    for (const MappingCase& c : kMappings) {
        SCOPED_TRACE(c.mask);
        for (std::size_t i = 0; i < c.offsetOfPos.size(); ++i) {
            EXPECT_EQ(useredit::MaskPosToOffset(c.mask, static_cast<int>(i) + 1), c.offsetOfPos[i])
                << "pos " << i + 1;
        }
        EXPECT_EQ(useredit::MaskPosToOffset(c.mask, 0), 0);
        EXPECT_EQ(useredit::MaskPosToOffset(c.mask, 300), c.offsetOfPos.empty() ? 0 : c.offsetOfPos.back());
        for (std::size_t offset = 0; offset < c.posOfOffset.size(); ++offset) {
            const int at = static_cast<int>(offset);
            EXPECT_EQ(useredit::OffsetToMaskPos(c.mask, at), c.posOfOffset[offset]) << "offset " << offset;
            const bool literal = offset < c.literalOffsets.size() && c.literalOffsets[offset] == 'l';
            EXPECT_EQ(useredit::IsLiteralOffset(c.mask, at), literal) << "offset " << offset;
        }
    }
}

TEST_F(EditMaskFormat, TakesInAtMost255Characters) {
    const std::string mask(300, '0');
    EXPECT_EQ(Mask(mask).MaskLength(), 255);
    EXPECT_EQ(useredit::MaskCharKind(mask, 256), useredit::mkNone);
    EXPECT_EQ(useredit::OffsetToMaskPos(mask, 256), -1);
}

// Windows-1252 bytes: B2 superscript two (alphanumeric, no letter), E4/C4 a/A with diaeresis, FF/9F y/Y with
// diaeresis, 9A/8A s/S with caron, DF sharp s and B5 micro sign (letters without a capital). A literal
// position yields its own character, a locale literal and an escaped "/" the separator.
TEST_F(EditMaskTyping, CheckMaskCharAppliesClassAndCase) {
    const struct {
        std::string_view mask;
        int pos;
        char typed;
        bool ok;
        char result;
    } cases[] = {
        {"#", 1, '+', true, '+'},        {"#", 1, '-', true, '-'},        {"#", 1, ' ', true, ' '},
        {"#", 1, 'x', false, 'x'},       {"9", 1, ' ', false, ' '},       {"9", 1, '5', true, '5'},
        {"0", 1, '\xB2', false, '\xB2'}, {"A", 1, '5', true, '5'},        {"a", 1, '\xB2', true, '\xB2'},
        {"A", 1, '%', false, '%'},       {"L", 1, '5', false, '5'},       {"l", 1, '\xB2', false, '\xB2'},
        {"L", 1, 'a', true, 'a'},        {"C", 1, '5', true, '5'},        {"C", 1, '%', true, '%'},
        {"c", 1, ' ', true, ' '},        {">L", 2, 'a', true, 'A'},       {"<L", 2, 'A', true, 'a'},
        {"<>L", 3, 'a', true, 'a'},      {">C", 2, '\xE4', true, '\xC4'}, {">l", 2, '\xFF', true, '\x9F'},
        {"<a", 2, '\x8A', true, '\x9A'}, {">a", 2, '\xDF', true, '\xDF'}, {">c", 2, '\xB5', true, '\xB5'},
        {">A", 2, '\xB2', true, '\xB2'}, {">C", 2, '%', true, '%'},       {">", 1, 'x', true, 'x'},
        {"00-00", 3, 'x', true, '-'},    {"00/00", 3, 'x', true, '.'},    {R"(\/)", 2, 'x', true, '.'},
        {R"(\0)", 2, '5', true, '0'},    {R"(\L)", 2, 'a', true, 'L'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " typed " + c.typed);
        char typed = c.typed;
        EXPECT_EQ(Mask(c.mask).CheckMaskChar(typed, c.pos), c.ok);
        EXPECT_EQ(typed, c.result);
    }
}

TEST_F(EditMaskTyping, FindNextLiteralMatchesOnlyTheFirstLiteralAfter) {
    const struct {
        std::string_view mask;
        int pos;
        char typed;
        int expected;
    } cases[] = {{"00/00", 1, '.', 3},     {"00/00", 2, '.', 3},      {"00/00", 1, '/', -1},
                 {R"(00\/00)", 1, '/', 4}, {R"(00\/00)", 1, '.', -1}, {"000-000", 2, '-', 4},
                 {"000-000", 4, '-', -1},  {"00-00", 5, '-', -1},     {"00-00:00", 1, ':', -1},
                 {"00-00:00", 4, ':', 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " typed " + c.typed);
        EXPECT_EQ(Mask(c.mask).FindNextLiteral(c.pos, c.typed), c.expected);
    }
}

TEST_F(EditMaskTyping, AcceptCharDecidesAcceptRefuseOrJump) {
    constexpr auto Accept = CharDecision::Accept;
    constexpr auto Refuse = CharDecision::Refuse;
    constexpr auto Jump = CharDecision::JumpToLiteral;
    const struct {
        std::string_view mask;
        int offset;
        char typed;
        CharDecision decision;
        char written = 0;  // Accept
        int jumpTo = 0;    // JumpToLiteral
    } cases[] = {{"000-000", 0, '1', Accept, '1'}, {"000-000", 1, '-', Jump, 0, 4},
                 {"000-000", 4, 'x', Refuse},      {"00/00/0000", 1, '.', Jump, 0, 3},
                 {"00/00/0000", 1, '/', Refuse},   {R"(00\/00)", 1, '/', Jump, 0, 3},
                 {R"(00\/00)", 1, '.', Refuse},    {"99-99", 0, '-', Jump, 0, 3},
                 {"0a-0", 0, '-', Jump, 0, 3},     {"00-00", 3, '-', Refuse},
                 {"00-00", 2, 'x', Accept, '-'},   {"00-00", 6, '1', Refuse},
                 {">LLL", 0, 'a', Accept, 'A'},    {"", 0, 'x', Accept, 'x'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " typed " + c.typed + " at " + std::to_string(c.offset));
        const useredit::CharVerdict verdict = Mask(c.mask).AcceptChar(c.typed, c.offset);
        EXPECT_EQ(verdict.Decision, c.decision);
        if (c.decision == CharDecision::Accept) {
            EXPECT_EQ(verdict.Char, c.written);
        } else if (c.decision == CharDecision::JumpToLiteral) {
            EXPECT_EQ(verdict.Offset, c.jumpTo);
        }
    }
}

// The mask's table, read once, answers as the format's routines read the mask text each time.
TEST_F(EditMaskFormat, TheMaskAnswersAsTheRoutinesOnTheMaskText) {
    using useredit::IsLiteralOffset;
    for (const std::string_view text : {"", "00/00/0000", "!>LL<ll", "\\/0:9\\:", "000-000;1;_", "0;a0",
                                        "99-00", "ab\\\\\\0-", "(000) 000-0000", "-0-"}) {
        SCOPED_TRACE(text);
        const EditMask mask(text, '_', kChars);
        const int length = mask.MaskLength();
        ASSERT_EQ(length, useredit::MaskPosToOffset(text, static_cast<int>(text.size())));
        // NextEditPos and PriorEditPos are held against the routines by the mask fuzzer.
        for (int offset = -1; offset <= length + 1; ++offset) {
            EXPECT_EQ(mask.IsLiteralOffset(offset), IsLiteralOffset(text, offset)) << offset;
        }
        for (int pos = 0; pos <= static_cast<int>(text.size()); ++pos) {
            for (const char typed : {'-', '.', '/', ':', ')', ' '}) {
                int literal = -1;
                for (int at = pos + 1; at <= static_cast<int>(text.size()) && literal < 0; ++at) {
                    const useredit::TMaskCharKind kind = useredit::MaskCharKind(text, at);
                    const char shown = kind == useredit::mkLocaleLiteral
                                           ? useredit::LocaleLiteralChar(text[at - 1])
                                           : text[at - 1];
                    if (kind == useredit::mkLiteral || kind == useredit::mkLocaleLiteral) {
                        literal = typed == shown ? at : 0;
                    }
                }
                EXPECT_EQ(mask.FindNextLiteral(pos, typed), literal > 0 ? literal : -1) << pos << typed;
            }
        }
    }
}

TEST(EditMask, KeepsTheSeparatorsItWasMadeWith) {
    const EditMask mask("00/00", '_', kChars, DottedSettings());
    const MaskSettings saved = GlobalMaskSettings();
    GlobalMaskSettings().DateSeparator = '-';
    EXPECT_EQ(mask.FitText("12-45"), "12.45");
    EXPECT_EQ(mask.FindNextLiteral(1, '.'), 3);
    GlobalMaskSettings() = saved;
}

TEST_F(EditMaskText, NextAndPriorEditPosSkipLiterals) {
    const struct {
        std::string_view mask;
        int offset, next, prior;
    } cases[] = {{"00-00", 0, 0, 0},      {"00-00", 2, 3, 1},      {"00-00", 5, 5, 5},
                 {R"(\0\0-00)", 0, 3, 3}, {R"(\0\0-00)", 2, 3, 3}, {R"(\0\0-00)", 4, 4, 4},
                 {"00-", 3, 3, 1},        {"--", 0, 2, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " at " + std::to_string(c.offset));
        EXPECT_EQ(Mask(c.mask).NextEditPos(c.offset), c.next);
        EXPECT_EQ(Mask(c.mask).PriorEditPos(c.offset), c.prior);
    }
}

TEST_F(EditMaskText, BlankRangeBlanksInputPositionsAndKeepsLiterals) {
    const struct {
        std::string_view mask;
        std::string text;
        int offset, count;
        std::string expected;
        char blank = '_';
    } cases[] = {{"00-00", "12-34", 0, 5, "__-__"},      {"00-00", "12-34", 1, 3, "1_-_4"},
                 {"00-00", "12-34", 2, 1, "12-34"},      {"00-00", "12-34", 3, 5, "12-__"},
                 {"00-00", "12-34", 0, 0, "12-34"},      {"00-00", "12-34", 6, 1, "12-34"},
                 {R"(\0\0-00)", "00-12", 0, 5, "00-__"}, {">00-00", "12-34", 1, 2, "1_-34"},
                 {"00/00", "12.34", 0, 5, "__.__"},      {"00-99", "12-34", 0, 5, "**-**", '*'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " " + std::to_string(c.offset) + "+" + std::to_string(c.count));
        std::string text = c.text;
        Mask(c.mask, c.blank).BlankRange(text, c.offset, c.count);
        EXPECT_EQ(text, c.expected);
    }
}

// Input is cut at the end of the mask; a refused character becomes the blank, and a "/" that is not the date
// separator is no literal: it takes the next position.
TEST_F(EditMaskText, MergeInputFitsPastedTextIntoTheMask) {
    const struct {
        std::string_view mask;
        std::string text, input;
        int offset;
        std::string expected;
        int end;
    } cases[] = {{"00-00", "__-__", "1234", 0, "12-34", 5},
                 {"00-00", "__-__", "12-34", 0, "12-34", 5},
                 {"00-00", "12-34", "9", 0, "92-34", 1},
                 {"00-00", "12-34", "", 1, "12-34", 1},
                 {"00-00", "__-__", "34", 2, "__-34", 5},
                 {"00-00", "12-34", "9", 5, "12-34", 5},
                 {"00-00", "12-34", "9", 6, "12-34", 6},
                 {"!>00", "__", "12", 0, "12", 2},
                 {"00-", "__-", "12", 0, "12-", 2},
                 {">LLL", "___", "abc", 0, "ABC", 3},
                 {"<LL>LL", "____", "AbCd", 0, "abCD", 4},
                 {"00/00", "__.__", "1231", 0, "12.31", 5},
                 {"00-00", "__-__", "123456", 3, "__-12", 5},
                 {"00-00", "__-__", "1x3", 0, "1_-3_", 4},
                 {"00/00", "__.__", "12/31", 0, "12._3", 5},
                 // A control character fits no position, not even one that takes any character.
                 {"CCCCC", "_____", "x\ty\r\n", 0, "x_y__", 5},
                 {"cc-cc", "__-__",
                  "\x7F"
                  "1\x1B"
                  "2",
                  0, "_1-_2", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " <- " + c.input + " at " + std::to_string(c.offset));
        std::string text = c.text;
        EXPECT_EQ(Mask(c.mask).MergeInput(text, c.input, c.offset), c.end);
        EXPECT_EQ(text, c.expected);
    }
}

TEST_F(EditMaskText, FitTextKeepsWhatTheMaskTakesOffsetByOffset) {
    const struct {
        std::string_view mask;
        std::string_view text;
        std::string_view fitted;
    } cases[] = {{"000-000", "", "___-___"},
                 {"000-000", "123456", "123-56_"},
                 {"000-000", "123-4567", "123-456"},
                 {">LLL", "ab1", "AB_"},
                 {"00/00", "12/34", "12.34"},
                 {"00;0_", "1x", "1__"},
                 {"CC", "_ ", "_ "},
                 {"CCCC", "a\tb\x7F", "a_b_"},  // a value takes no control character either
                 {"", "unchanged", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " \"" + std::string(c.text) + "\"");
        EXPECT_EQ(Mask(c.mask).FitText(c.text), c.fitted);
    }
}

TEST_F(EditMaskText, MaskCompleteFindsTheFirstUnfilledRequiredPosition) {
    const struct {
        std::string_view mask;
        std::string text;
        bool complete;
        int offset = -1;  // when incomplete
        char blank = '_';
    } cases[] = {{"00-00", "12-34", true},
                 {"00-00", "1_-34", false, 1},
                 {"00-00", "12-3", false, 4},
                 {"00-99", "12-__", true},
                 {"CC", "a ", true},
                 {"LL", "a ", false, 1},
                 {"00", " 1", false, 0},
                 {"CC", "a_", false, 1},
                 {R"(\0\0-00)", "00-1_", false, 4},
                 {">00", "1_", false, 1},
                 {"00;0_", "12_", true},
                 {"9-0", "_-_", false, 2},
                 {"0", "", false, 0},
                 {"", "", true},
                 {"00", "1*", false, 1, '*'},
                 {"00", "1_", true, -1, '*'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " \"" + c.text + "\"");
        int offset = -1;
        EXPECT_EQ(Mask(c.mask, c.blank).MaskComplete(c.text, offset), c.complete);
        EXPECT_EQ(offset, c.offset);
    }
}

// Windows-1252 as IsCharAlphaA, IsCharAlphaNumericA, CharUpperA and CharLowerA answer it on the target.
bool In(unsigned b, unsigned low, unsigned high) {
    return b >= low && b <= high;
}

bool OneOf(unsigned b, std::initializer_list<unsigned> list) {
    return std::ranges::find(list, b) != list.end();
}

TEST(EditMaskCp1252, AgreesWithTheWindowsRoutinesForEveryByte) {
    const auto extraLetters = {0x83u, 0x88u, 0x8Au, 0x8Cu, 0x8Eu, 0x9Au,
                               0x9Cu, 0x9Eu, 0x9Fu, 0xAAu, 0xB5u, 0xBAu};
    const auto signsAmongLetters = {0xD7u, 0xF7u};
    const auto alphaNumericNonLetters = {0xB2u, 0xB3u, 0xB9u};
    const struct {
        unsigned upper, lower;
    } irregularPairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

    for (unsigned b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char c = static_cast<char>(b);
        const bool letter = In(b, 'A', 'Z') || In(b, 'a', 'z') || OneOf(b, extraLetters) ||
                            (In(b, 0xC0, 0xFF) && !OneOf(b, signsAmongLetters));
        EXPECT_EQ(kChars.IsAlpha(c), letter);
        EXPECT_EQ(kChars.IsAlphaNumeric(c), letter || In(b, '0', '9') || OneOf(b, alphaNumericNonLetters));

        unsigned upper = b;
        unsigned lower = b;
        if (In(b, 'a', 'z') || (In(b, 0xE0, 0xFE) && b != 0xF7)) {
            upper = b - 0x20;
        }
        if (In(b, 'A', 'Z') || (In(b, 0xC0, 0xDE) && b != 0xD7)) {
            lower = b + 0x20;
        }
        for (const auto& pair : irregularPairs) {
            upper = b == pair.lower ? pair.upper : upper;
            lower = b == pair.upper ? pair.lower : lower;
        }
        EXPECT_EQ(static_cast<unsigned char>(kChars.ToUpper(c)), upper);
        EXPECT_EQ(static_cast<unsigned char>(kChars.ToLower(c)), lower);
    }
}

}  // namespace
