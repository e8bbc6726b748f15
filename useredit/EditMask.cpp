// Edit mask routines: classification of mask positions, case scan, offset mapping and the text algorithms.
#include "useredit/EditMask.h"

#include <algorithm>

namespace useredit {
namespace {

std::string_view Cut(std::string_view mask) {
    return mask.substr(0, kMaxMaskText);
}

int LengthOf(std::string_view text) {
    return static_cast<int>(text.size());
}

// The character at a 1-based position that the caller has checked.
char At(std::string_view mask, int pos) {
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

}  // namespace

MaskSettings& GlobalMaskSettings() {
    static MaskSettings settings;
    return settings;
}

TMaskCharKind MaskCharKind(std::string_view mask, int pos) {
    mask = Cut(mask);
    const int length = LengthOf(mask);
    if (pos < 1 || pos > length) {
        return mkNone;
    }
    // A "\" escapes the character after it unless another "\" stands right before it, escaped or not (in
    // \\\0 the third "\" escapes nothing); the same test keeps an escaped field separator from starting a
    // field.
    const bool backslashTwoBefore = pos >= 3 && At(mask, pos - 2) == '\\';
    if (pos >= 2 && At(mask, pos - 1) == '\\' && !backslashTwoBefore) {
        return mkLiteral;
    }
    // Fields live in the last four characters only. At position 1 there is no character before to start a
    // field, which matters for a mask of exactly four characters.
    const char fieldSeparator = GlobalMaskSettings().FieldSeparator;
    if (length >= 4 && pos > length - 4) {
        if (At(mask, pos) == fieldSeparator) {
            return mkFieldSeparator;
        }
        if (pos >= 2 && At(mask, pos - 1) == fieldSeparator && !backslashTwoBefore) {
            return mkField;
        }
    }
    switch (At(mask, pos)) {
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

MaskCase MaskCaseAt(std::string_view mask, int pos) {
    mask = Cut(mask);
    bool upper = false;
    bool lower = false;
    // The scan sees characters only, so an escaped "<" or ">" switches the case too.
    for (int i = 1; i < pos && i <= LengthOf(mask); ++i) {
        if (At(mask, i) == '>') {
            lower = false;
            upper = upper || !(i > 1 && At(mask, i - 1) == '<');
        } else if (At(mask, i) == '<') {
            upper = false;
            lower = true;
        }
    }
    return upper ? MaskCase::Upper : lower ? MaskCase::Lower : MaskCase::None;
}

char LocaleLiteralChar(char c) {
    if (c == '/') {
        return GlobalMaskSettings().DateSeparator;
    }
    if (c == ':') {
        return GlobalMaskSettings().TimeSeparator;
    }
    return c;
}

int MaskPosToOffset(std::string_view mask, int pos) {
    mask = Cut(mask);
    int count = 0;
    for (int i = 1; i <= pos && i <= LengthOf(mask); ++i) {
        const TMaskCharKind kind = MaskCharKind(mask, i);
        count += IsLiteralKind(kind) || IsInputKind(kind) ? 1 : 0;
    }
    return count;
}

int OffsetToMaskPos(std::string_view mask, int offset) {
    mask = Cut(mask);
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

EditMask::EditMask(std::string_view maskText, char blankChar, const CharServices& chars)
    : maskText_(TakeInText(maskText)),
      blankChar_(blankChar),
      maskLength_(MaskPosToOffset(maskText_, MaskEnd())),
      chars_(&chars) {}

bool EditMask::CheckMaskChar(char& c, int maskPos) const {
    const TMaskCharKind kind = MaskCharKind(maskText_, maskPos);
    if (kind == mkNone) {
        return true;
    }
    if (IsLiteralKind(kind)) {
        // An escaped "/" or ":" shows the separator too.
        c = LocaleLiteralChar(MaskChar(maskPos));
        return true;
    }
    const char maskChar = MaskChar(maskPos);
    const auto convertLetter = [&] {
        const MaskCase maskCase = MaskCaseAt(maskText_, maskPos);
        if (maskCase == MaskCase::Upper) {
            c = chars_->ToUpper(c);
        } else if (maskCase == MaskCase::Lower) {
            c = chars_->ToLower(c);
        }
    };
    switch (maskChar) {
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
            return (maskChar == 'A' || maskChar == 'a') && chars_->IsAlphaNumeric(c);
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
    for (int pos = maskPos + 1; pos <= MaskEnd(); ++pos) {
        // A typed character matches a locale literal by its separator, an escaped "/" or ":" by itself.
        switch (MaskCharKind(maskText_, pos)) {
            case mkLocaleLiteral:
                return c == LocaleLiteralChar(MaskChar(pos)) ? pos : -1;
            case mkLiteral:
                return c == MaskChar(pos) ? pos : -1;
            default:
                break;
        }
    }
    return -1;
}

int EditMask::NextEditPos(int offset) const {
    while (offset < maskLength_ && IsLiteralOffset(maskText_, offset)) {
        ++offset;
    }
    return offset;
}

int EditMask::PriorEditPos(int offset) const {
    while (offset >= 0 && IsLiteralOffset(maskText_, offset)) {
        --offset;
    }
    return offset < 0 ? NextEditPos(0) : offset;
}

void EditMask::BlankRange(std::string& text, int offset, int count) const {
    const int start = OffsetToMaskPos(maskText_, offset);
    if (start < 0) {
        return;
    }
    int index = offset;
    for (int pos = start; pos <= MaskEnd() && index - offset < count; ++pos) {
        const TMaskCharKind kind = MaskCharKind(maskText_, pos);
        if (IsInputKind(kind) && index < LengthOf(text)) {
            text[static_cast<std::size_t>(index)] = blankChar_;
        }
        if (IsLiteralKind(kind) || IsInputKind(kind)) {
            ++index;
        }
    }
}

int EditMask::MergeInput(std::string& text, std::string_view input, int offset) const {
    const int start = OffsetToMaskPos(maskText_, offset);
    if (start < 0) {
        return offset;
    }
    std::string fitted = TakeInText(input);
    int next = 0;  // the input character that the current position takes
    for (int pos = start; pos <= MaskEnd() && next < LengthOf(fitted) && offset + next < maskLength_; ++pos) {
        const TMaskCharKind kind = MaskCharKind(maskText_, pos);
        if (!IsLiteralKind(kind) && !IsInputKind(kind)) {
            continue;
        }
        const auto at = static_cast<std::size_t>(next);
        char c = fitted[at];
        if (!CheckMaskChar(c, pos)) {
            c = blankChar_;
        }
        if (IsLiteralKind(kind) && fitted[at] != c) {
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
    for (int pos = 1; pos <= MaskEnd(); ++pos) {
        const TMaskCharKind kind = MaskCharKind(maskText_, pos);
        if (kind == mkRequired) {
            const bool missing = index >= LengthOf(text) ||
                                 text[static_cast<std::size_t>(index)] == blankChar_ ||
                                 (text[static_cast<std::size_t>(index)] == ' ' && MaskChar(pos) != 'C');
            if (missing) {
                offset = index;
                return false;
            }
        }
        if (IsLiteralKind(kind) || IsInputKind(kind)) {
            ++index;
        }
    }
    return true;
}

CharVerdict EditMask::AcceptChar(char c, int offset) const {
    if (!HasMask()) {
        return {CharDecision::Accept, c, offset};
    }
    const int pos = OffsetToMaskPos(maskText_, offset);
    if (pos < 0) {
        return {CharDecision::Refuse, c, offset};
    }
    const char typed = c;
    if (CheckMaskChar(c, pos)) {
        return {CharDecision::Accept, c, offset};
    }
    // Typing the literal that ends the current field moves on to the next field.
    if (IsInputKind(MaskCharKind(maskText_, pos))) {
        const int literal = FindNextLiteral(pos, typed);
        if (literal > 0) {
            return {CharDecision::JumpToLiteral, typed, MaskPosToOffset(maskText_, literal)};
        }
    }
    return {CharDecision::Refuse, typed, offset};
}

std::string EditMask::FitText(std::string_view text) const {
    std::string fitted;
    for (int offset = 0; offset < maskLength_; ++offset) {
        const int pos = OffsetToMaskPos(maskText_, offset);
        char c = offset < static_cast<int>(text.size()) ? text[static_cast<std::size_t>(offset)] : blankChar_;
        if (!CheckMaskChar(c, pos)) {
            c = blankChar_;
        }
        fitted += c;
    }
    return fitted;
}

}  // namespace useredit
