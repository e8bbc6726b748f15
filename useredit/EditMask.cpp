// Edit mask routines: classification of mask positions, case scan, offset mapping and the text algorithms.
#include "useredit/EditMask.h"

#include <algorithm>

#include "useredit/VirtualKeys.h"

namespace useredit {
namespace {

int LengthOf(std::string_view text) {
    return static_cast<int>(text.size());
}

// The character at a 1-based position that the caller has checked.
char CharAt(std::string_view mask, int pos) {
    return mask[static_cast<std::size_t>(pos - 1)];
}

bool IsLiteralKind(TMaskCharKind kind) {
    return kind == mkLiteral || kind == mkLocaleLiteral;
}

bool IsInputKind(TMaskCharKind kind) {
    return kind == mkRequired || kind == mkOptional;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters from offset `from` up to, not including, `to`, as far as the text reaches.
std::string_view Slice(std::string_view text, int from, int to) {
    const int begin = std::clamp(from, 0, LengthOf(text));
    const int end = std::clamp(to, begin, LengthOf(text));
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

// MaskCharKind of a mask already taken in, with the given field separator.
TMaskCharKind ClassifyPosition(std::string_view mask, int pos, char fieldSeparator) {
    const int length = LengthOf(mask);
    if (pos < 1 || pos > length) {
        return mkNone;
    }
    // A "\" escapes the character after it unless another "\" stands right before it, escaped or not (in
    // \\\0 the third "\" escapes nothing); the same test keeps an escaped field separator from starting a
    // field.
    const bool backslashTwoBefore = pos >= 3 && CharAt(mask, pos - 2) == '\\';
    if (pos >= 2 && CharAt(mask, pos - 1) == '\\' && !backslashTwoBefore) {
        return mkLiteral;
    }
    // Fields live in the last four characters only. At position 1 there is no character before to start a
    // field, which matters for a mask of exactly four characters.
    if (length >= 4 && pos > length - 4) {
        if (CharAt(mask, pos) == fieldSeparator) {
            return mkFieldSeparator;
        }
        if (pos >= 2 && CharAt(mask, pos - 1) == fieldSeparator && !backslashTwoBefore) {
            return mkField;
        }
    }
    switch (CharAt(mask, pos)) {
        case '/':
        case ':':
            return mkLocaleLiteral;
        case '!':
        case '<':
        case '>':
        case '\\':
            return mkDirective;
        case '#':
        case '9':
        case 'a':
        case 'c':
        case 'l':
            return mkOptional;
        case '0':
        case 'A':
        case 'C':
        case 'L':
            return mkRequired;
        default:
            return mkLiteral;
    }
}

// LocaleLiteralChar with the given separators.
char SeparatorOf(char c, const MaskSettings& settings) {
    return c == '/' ? settings.DateSeparator : c == ':' ? settings.TimeSeparator : c;
}

}  // namespace

MaskSettings& GlobalMaskSettings() {
    static MaskSettings settings;
    return settings;
}

TMaskCharKind MaskCharKind(std::string_view mask, int pos) {
    return ClassifyPosition(TakenIn(mask), pos, GlobalMaskSettings().FieldSeparator);
}

MaskCase MaskCaseAt(std::string_view mask, int pos) {
    mask = TakenIn(mask);
    bool upper = false;
    bool lower = false;
    // The scan sees characters only, so an escaped "<" or ">" switches the case too.
    for (int i = 1; i < pos && i <= LengthOf(mask); ++i) {
        if (CharAt(mask, i) == '>') {
            lower = false;
            upper = upper || !(i > 1 && CharAt(mask, i - 1) == '<');
        } else if (CharAt(mask, i) == '<') {
            upper = false;
            lower = true;
        }
    }
    return upper ? MaskCase::Upper : lower ? MaskCase::Lower : MaskCase::None;
}

char LocaleLiteralChar(char c) {
    return SeparatorOf(c, GlobalMaskSettings());
}

int MaskPosToOffset(std::string_view mask, int pos) {
    mask = TakenIn(mask);
    int count = 0;
    for (int i = 1; i <= pos && i <= LengthOf(mask); ++i) {
        const TMaskCharKind kind = MaskCharKind(mask, i);
        count += IsLiteralKind(kind) || IsInputKind(kind) ? 1 : 0;
    }
    return count;
}

int OffsetToMaskPos(std::string_view mask, int offset) {
    mask = TakenIn(mask);
    const int length = LengthOf(mask);
    // Offsets count from 0: one before the text has no position, like one beyond it.
    if (offset < 0 || offset > MaskPosToOffset(mask, length)) {
        return -1;
    }
    int remaining = offset;
    for (int i = 1; i <= length; ++i) {
        if (MaskCharKind(mask, i) != mkDirective && --remaining < 0) {
            return i;
        }
    }
    return length;
}

bool IsLiteralOffset(std::string_view mask, int offset) {
    const int pos = OffsetToMaskPos(mask, offset);
    return pos >= 0 && IsLiteralKind(MaskCharKind(mask, pos));
}

EditMask::EditMask(std::string_view maskText, char blankChar, const CharServices& chars,
                   const MaskSettings& settings)
    : maskText_(TakeInText(maskText)), blankChar_(blankChar), chars_(&chars) {
    ReadPositions(settings);
    ReadOffsets();
}

void EditMask::ReadPositions(const MaskSettings& settings) {
    positions_.resize(maskText_.size());
    bool upper = false;
    bool lower = false;
    for (int pos = 1; pos <= MaskEnd(); ++pos) {
        Position& entry = positions_[static_cast<std::size_t>(pos - 1)];
        entry.Kind = ClassifyPosition(maskText_, pos, settings.FieldSeparator);
        entry.Char = CharAt(maskText_, pos);
        entry.Literal = SeparatorOf(entry.Char, settings);
        entry.Case = upper ? MaskCase::Upper : lower ? MaskCase::Lower : MaskCase::None;
        // The case scan sees characters only, so an escaped "<" or ">" switches the case too.
        if (entry.Char == '>') {
            lower = false;
            upper = upper || !(pos > 1 && CharAt(maskText_, pos - 1) == '<');
        } else if (entry.Char == '<') {
            upper = false;
            lower = true;
        }
        maskLength_ += entry.TakesText() ? 1 : 0;
        entry.Offset = maskLength_;
    }
    int literal = -1;
    for (int pos = MaskEnd(); pos >= 1; --pos) {
        positions_[static_cast<std::size_t>(pos - 1)].NextLiteral = literal;
        literal = At(pos).IsLiteral() ? pos : literal;
    }
    firstLiteral_ = literal;
}

void EditMask::ReadOffsets() {
    offsets_.assign(static_cast<std::size_t>(maskLength_) + 1, {});
    // Every position but a directive counts, fields included; offsets left over land on the last position.
    std::size_t offset = 0;
    for (int pos = 1; pos <= MaskEnd() && offset < offsets_.size(); ++pos) {
        if (At(pos).Kind != mkDirective) {
            offsets_[offset++].Pos = pos;
        }
    }
    for (; offset < offsets_.size(); ++offset) {
        offsets_[offset].Pos = MaskEnd();
    }
    for (TextOffset& entry : offsets_) {
        entry.Literal = entry.Pos >= 1 && At(entry.Pos).IsLiteral();
    }
    offsets_.back().NextEdit = maskLength_;
    for (int at = maskLength_ - 1; at >= 0; --at) {
        auto& entry = offsets_[static_cast<std::size_t>(at)];
        entry.NextEdit = entry.Literal ? offsets_[static_cast<std::size_t>(at) + 1].NextEdit : at;
    }
    // Before the first input position there is none: the first one after it stands in.
    for (int at = 0; at <= maskLength_; ++at) {
        auto& entry = offsets_[static_cast<std::size_t>(at)];
        const int before =
            at == 0 ? offsets_.front().NextEdit : offsets_[static_cast<std::size_t>(at) - 1].PriorEdit;
        entry.PriorEdit = entry.Literal ? before : at;
    }
}

int EditMask::PosOfOffset(int offset) const {
    return offset < 0 || offset > maskLength_ ? -1 : offsets_[static_cast<std::size_t>(offset)].Pos;
}

bool EditMask::IsLiteralOffset(int offset) const {
    return offset >= 0 && offset <= maskLength_ && offsets_[static_cast<std::size_t>(offset)].Literal;
}

bool EditMask::CheckMaskChar(char& c, int maskPos) const {
    if (maskPos < 1 || maskPos > MaskEnd()) {
        return true;
    }
    const Position& position = At(maskPos);
    if (position.IsLiteral()) {
        // An escaped "/" or ":" shows the separator too.
        c = position.Literal;
        return true;
    }
    // A control character is a command, never text: not even an "any character" position takes it, from a
    // paste or a value.
    if (IsControlChar(c)) {
        return false;
    }
    const auto convertLetter = [&] {
        if (position.Case == MaskCase::Upper) {
            c = chars_->ToUpper(c);
        } else if (position.Case == MaskCase::Lower) {
            c = chars_->ToLower(c);
        }
    };
    switch (position.Char) {
        case '#':
            return IsDigit(c) || c == ' ' || c == '+' || c == '-';
        case '0':
        case '9':
            return IsDigit(c);
        case 'A':
        case 'a':
        case 'L':
        case 'l':
            if (chars_->IsAlpha(c)) {
                convertLetter();
                return true;
            }
            return (position.Char == 'A' || position.Char == 'a') && chars_->IsAlphaNumeric(c);
        case 'C':
        case 'c':
            if (chars_->IsAlpha(c)) {
                convertLetter();
            }
            return true;
        default:
            return true;
    }
}

int EditMask::FindNextLiteral(int maskPos, char c) const {
    if (maskPos >= MaskEnd()) {
        return -1;
    }
    const int literal = maskPos < 1 ? firstLiteral_ : At(maskPos).NextLiteral;
    if (literal < 0) {
        return -1;
    }
    // A typed character matches a locale literal by its separator, an escaped "/" or ":" by itself.
    const Position& position = At(literal);
    return c == (position.Kind == mkLocaleLiteral ? position.Literal : position.Char) ? literal : -1;
}

int EditMask::NextEditPos(int offset) const {
    return offset < 0 || offset > maskLength_ ? offset : offsets_[static_cast<std::size_t>(offset)].NextEdit;
}

int EditMask::PriorEditPos(int offset) const {
    if (offset < 0) {
        return NextEditPos(0);
    }
    return offset > maskLength_ ? offset : offsets_[static_cast<std::size_t>(offset)].PriorEdit;
}

void EditMask::BlankRange(std::string& text, int offset, int count) const {
    const int start = PosOfOffset(offset);
    if (start < 0) {
        return;
    }
    int index = offset;
    for (int pos = std::max(start, 1); pos <= MaskEnd() && index - offset < count; ++pos) {
        const Position& position = At(pos);
        if (position.IsInput() && index < LengthOf(text)) {
            text[static_cast<std::size_t>(index)] = blankChar_;
        }
        index += position.TakesText() ? 1 : 0;
    }
}

int EditMask::MergeInput(std::string& text, std::string_view input, int offset) const {
    const int start = PosOfOffset(offset);
    if (start < 0) {
        return offset;
    }
    std::string fitted = TakeInText(input);
    int next = 0;  // the input character that the current position takes
    for (int pos = std::max(start, 1);
         pos <= MaskEnd() && next < LengthOf(fitted) && offset + next < maskLength_; ++pos) {
        const Position& position = At(pos);
        if (!position.TakesText()) {
            continue;
        }
        const auto at = static_cast<std::size_t>(next);
        char c = fitted[at];
        if (!CheckMaskChar(c, pos)) {
            c = blankChar_;
        }
        if (position.IsLiteral() && fitted[at] != c) {
            // The literal goes in before the input character, which moves on to the next position.
            fitted.insert(at, 1, c);
            fitted.resize(std::min(fitted.size(), kMaxMaskText));
        } else {
            fitted[at] = c;
        }
        ++next;
    }
    const int end = offset + LengthOf(fitted);
    std::string merged(Slice(text, 0, offset));
    if (end < maskLength_) {
        merged += fitted;
        merged += Slice(text, end, maskLength_);
    } else {
        merged += Slice(fitted, 0, maskLength_ - offset);
    }
    text = std::move(merged);
    return offset + next;
}

bool EditMask::MaskComplete(std::string_view text, int& offset) const {
    int index = 0;
    for (const Position& position : positions_) {
        if (position.Kind == mkRequired) {
            const bool missing = index >= LengthOf(text) ||
                                 text[static_cast<std::size_t>(index)] == blankChar_ ||
                                 (text[static_cast<std::size_t>(index)] == ' ' && position.Char != 'C');
            if (missing) {
                offset = index;
                return false;
            }
        }
        index += position.TakesText() ? 1 : 0;
    }
    return true;
}

CharVerdict EditMask::AcceptChar(char c, int offset) const {
    if (!HasMask()) {
        return {CharDecision::Accept, c, offset};
    }
    const int pos = PosOfOffset(offset);
    if (pos < 1) {
        return {CharDecision::Refuse, c, offset};
    }
    const char typed = c;
    if (CheckMaskChar(c, pos)) {
        return {CharDecision::Accept, c, offset};
    }
    // Typing the literal that ends the current field moves on to the next field.
    if (At(pos).IsInput()) {
        const int literal = FindNextLiteral(pos, typed);
        if (literal > 0) {
            return {CharDecision::JumpToLiteral, typed, At(literal).Offset};
        }
    }
    return {CharDecision::Refuse, typed, offset};
}

std::string EditMask::FitText(std::string_view text) const {
    std::string fitted;
    for (int offset = 0; offset < maskLength_; ++offset) {
        char c = offset < LengthOf(text) ? text[static_cast<std::size_t>(offset)] : blankChar_;
        if (!CheckMaskChar(c, PosOfOffset(offset))) {
            c = blankChar_;
        }
        fitted += c;
    }
    return fitted;
}

}  // namespace useredit
