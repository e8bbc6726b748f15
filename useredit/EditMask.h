// The edit mask format (kinds of mask positions, case directives, positions and text offsets) and the
// masked edit's text algorithms, as pure functions of a mask.
#pragma once

#include "useredit/CharServices.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace useredit {

// Masks, control texts and pasted texts are cut to this many characters when taken in.
inline constexpr std::size_t kMaxMaskText = 255;

// The part of a text that is taken in, and a copy of it.
inline std::string_view TakenIn(std::string_view text) {
    return text.substr(0, kMaxMaskText);
}
inline std::string TakeInText(std::string_view text) {
    return std::string(TakenIn(text));
}

// Settings of the format for the whole process, all writable. The separators stand for "/" and ":" in a
// mask; the Windows layer sets them from the user's locale, native builds keep the defaults. A masked edit
// copies DefaultBlank when it is created. Read on the user-interface thread only.
struct MaskSettings {
    char FieldSeparator = ';';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char DefaultBlank = '_';
};
MaskSettings& GlobalMaskSettings();

enum TMaskCharKind {
    mkNone,
    mkLiteral,
    mkLocaleLiteral,
    mkDirective,
    mkRequired,
    mkOptional,
    mkFieldSeparator,
    mkField,
};

enum class MaskCase { None, Upper, Lower };

// Mask positions count from 1, text offsets from 0. Each routine reads the first 255 characters of the
// mask only, and a position outside the mask is of kind mkNone.
TMaskCharKind MaskCharKind(std::string_view mask, int pos);
// The case conversion that the directives before `pos` leave in force.
MaskCase MaskCaseAt(std::string_view mask, int pos);
// The date separator for "/", the time separator for ":", any other character itself.
char LocaleLiteralChar(char c);
// The number of text positions among the positions 1 to `pos`.
int MaskPosToOffset(std::string_view mask, int pos);
// The mask position of a text offset, or -1 beyond the text. Field separators and fields are counted as if
// they took text, so the offset behind the text lands on the first field separator of a mask with fields.
int OffsetToMaskPos(std::string_view mask, int offset);
bool IsLiteralOffset(std::string_view mask, int offset);

// What the masked edit does with a typed character. Refuse sounds the beep unless the control has lost the
// focus; JumpToLiteral puts the cursor behind the literal that the character matched, silently.
enum class CharDecision { Accept, Refuse, JumpToLiteral };

struct CharVerdict {
    CharDecision Decision;
    char Char;   // Accept: the character to write, converted by the mask
    int Offset;  // JumpToLiteral: the offset behind the literal
};

// A mask as the masked edit uses it, with the edit's blank character and the system's character routines.
// It reads the mask text once, when it is made: a table of its positions, with the separators of `settings`
// as they were then, answers every query.
class EditMask {
public:
    EditMask(std::string_view maskText, char blankChar, const CharServices& chars,
             const MaskSettings& settings = GlobalMaskSettings());

    const std::string& MaskText() const { return maskText_; }
    bool HasMask() const { return !maskText_.empty(); }
    char BlankChar() const { return blankChar_; }
    // The number of text positions; the upper bound of every cursor offset.
    int MaskLength() const { return maskLength_; }
    // IsLiteralOffset of this mask.
    bool IsLiteralOffset(int offset) const;

    // Fits `c` to the mask position: a literal position yields its own character, a letter takes the case
    // conversion in force. False when the position's input class refuses the character.
    bool CheckMaskChar(char& c, int maskPos) const;
    // The first literal position after `maskPos` when `c` is its character, else -1.
    int FindNextLiteral(int maskPos, char c) const;
    // The first input position at or after `offset` (at most MaskLength), and at or before it (the first
    // input position of the mask when there is none before).
    int NextEditPos(int offset) const;
    int PriorEditPos(int offset) const;
    // Writes BlankChar into the input positions of `count` text positions from `offset`; literals stay.
    void BlankRange(std::string& text, int offset, int count) const;
    // Fits `input` into `text` from `offset` on, the way a paste does, and returns the offset behind it.
    int MergeInput(std::string& text, std::string_view input, int offset) const;
    // False when a required position is blank, holds a space (allowed at "C" only) or lies beyond the text;
    // `offset` is then that position's offset.
    bool MaskComplete(std::string_view text, int& offset) const;
    // `text` fitted to the mask offset by offset, MaskLength characters: a literal offset shows its literal,
    // an input offset keeps the text's character there when the mask takes it (as converted), else BlankChar.
    std::string FitText(std::string_view text) const;
    // The decision on a character typed at `offset`; the caller moves the cursor and sounds the beep.
    CharVerdict AcceptChar(char c, int offset) const;

private:
    // What the mask says of one position.
    struct Position {
        TMaskCharKind Kind = mkNone;
        char Char = 0;                   // as the mask writes it
        char Literal = 0;                // a literal's character in the text (a separator for "/" and ":")
        MaskCase Case = MaskCase::None;  // the conversion that the directives before it leave in force
        int Offset = 0;                  // MaskPosToOffset: the text positions up to and including it
        int NextLiteral = -1;            // the first literal position after it, or -1
        bool IsLiteral() const { return Kind == mkLiteral || Kind == mkLocaleLiteral; }
        bool IsInput() const { return Kind == mkRequired || Kind == mkOptional; }
        bool TakesText() const { return IsLiteral() || IsInput(); }
    };
    // What the mask says of one text offset, from 0 up to and including MaskLength.
    struct TextOffset {
        int Pos = -1;  // OffsetToMaskPos
        bool Literal = false;
        int NextEdit = 0;   // NextEditPos
        int PriorEdit = 0;  // PriorEditPos
    };

    void ReadPositions(const MaskSettings& settings);
    void ReadOffsets();
    // The entry of a position from 1 to MaskEnd, and the mask position of an offset (-1 outside the text).
    const Position& At(int pos) const { return positions_[static_cast<std::size_t>(pos - 1)]; }
    int PosOfOffset(int offset) const;
    int MaskEnd() const { return static_cast<int>(positions_.size()); }

    std::string maskText_;
    char blankChar_;
    int maskLength_ = 0;
    const CharServices* chars_;  // a pointer, so that a control can assign a new mask
    std::vector<Position> positions_;
    std::vector<TextOffset> offsets_;
    int firstLiteral_ = -1;
};

}  // namespace useredit
