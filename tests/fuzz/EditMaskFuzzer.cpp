// The edit mask routines and the masked edit's text algorithms on any mask, text, input and settings.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "useredit/CharServices.h"
#include "useredit/EditMask.h"

namespace {

using fuzzcheck::Check;
using useredit::EditMask;
using useredit::MaskCharKind;
using useredit::MaskPosToOffset;
using useredit::OffsetToMaskPos;

const useredit::Cp1252CharServices kChars;

// A process-wide setting: mostly its default, sometimes any byte.
char SettingOr(FuzzedDataProvider& input, char usual) {
    return input.ConsumeBool() ? usual : input.ConsumeIntegral<char>();
}

bool IsTextPosition(useredit::TMaskCharKind kind) {
    return kind == useredit::mkLiteral || kind == useredit::mkLocaleLiteral || kind == useredit::mkRequired ||
           kind == useredit::mkOptional;
}

bool IsLiteral(useredit::TMaskCharKind kind) {
    return kind == useredit::mkLiteral || kind == useredit::mkLocaleLiteral;
}

// What a mask promises of its text. OffsetToMaskPos counts field separators and fields as if they took text,
// so offsets and text positions agree only before the first of them; the checks keep to that part.
struct MaskFacts {
    explicit MaskFacts(std::string_view mask) {
        const int length = static_cast<int>(std::min(mask.size(), useredit::kMaxMaskText));
        for (int pos = 1; pos <= length; ++pos) {
            const useredit::TMaskCharKind kind = MaskCharKind(mask, pos);
            if (kind == useredit::mkFieldSeparator || kind == useredit::mkField) {
                break;
            }
            if (IsTextPosition(kind)) {
                textPositions.push_back(pos);
            }
            if (IsLiteral(kind)) {
                literals.emplace_back(MaskPosToOffset(mask, pos) - 1,
                                      useredit::LocaleLiteralChar(mask[static_cast<std::size_t>(pos - 1)]));
            }
        }
    }

    bool LiteralsHold(const std::string& text) const {
        return std::ranges::all_of(literals, [&](const auto& literal) {
            const auto [offset, c] = literal;
            return static_cast<std::size_t>(offset) < text.size() &&
                   text[static_cast<std::size_t>(offset)] == c;
        });
    }

    std::vector<int> textPositions;
    std::vector<std::pair<int, char>> literals;  // offset and character
};

void CheckOffsets(std::string_view mask, const EditMask& editMask, const MaskFacts& facts) {
    const int length = static_cast<int>(std::min(mask.size(), useredit::kMaxMaskText));
    const int maskLength = editMask.MaskLength();
    Check(maskLength >= 0 && maskLength <= static_cast<int>(useredit::kMaxMaskText),
          "MaskLength lies between 0 and 255");
    Check(maskLength == MaskPosToOffset(mask, length), "MaskLength counts the text positions of the mask");
    for (const int pos : facts.textPositions) {
        Check(OffsetToMaskPos(mask, MaskPosToOffset(mask, pos) - 1) == pos,
              "a text position's offset maps back to the position");
    }
    Check(OffsetToMaskPos(mask, -1) == -1 && OffsetToMaskPos(mask, maskLength + 1) == -1,
          "an offset outside the text has no position");
    for (int offset = 0; offset <= maskLength; ++offset) {
        const int pos = OffsetToMaskPos(mask, offset);
        Check(pos >= std::min(length, 1) && pos <= length,
              "an offset of the text has a position of the mask");
    }
}

void CheckEditPositions(const EditMask& mask, int offset) {
    const auto isLiteral = [&](int at) { return useredit::IsLiteralOffset(mask.MaskText(), at); };
    const int next = mask.NextEditPos(offset);
    Check(next >= offset && next <= mask.MaskLength(), "NextEditPos lies between the offset and MaskLength");
    for (int at = offset; at < next; ++at) {
        Check(isLiteral(at), "NextEditPos passes over literals only");
    }
    Check(next == mask.MaskLength() || !isLiteral(next), "NextEditPos stops on an input position");

    const int prior = mask.PriorEditPos(offset);
    Check(prior >= 0 && prior <= mask.MaskLength(), "PriorEditPos lies between 0 and MaskLength");
    if (prior <= offset && !isLiteral(prior)) {
        for (int at = prior + 1; at <= offset; ++at) {
            Check(isLiteral(at), "PriorEditPos passes over literals only");
        }
    } else {
        for (int at = 0; at <= offset; ++at) {
            Check(isLiteral(at), "PriorEditPos falls back to the first input position only after literals");
        }
        Check(prior == mask.NextEditPos(0),
              "without an input position before, PriorEditPos is the first one");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    useredit::MaskSettings& settings = useredit::GlobalMaskSettings();
    settings.FieldSeparator = SettingOr(input, ';');
    settings.DateSeparator = SettingOr(input, '.');
    settings.TimeSeparator = SettingOr(input, ':');
    const char blank = SettingOr(input, '_');
    const std::string maskText = input.ConsumeRandomLengthString(300);
    const std::string text = input.ConsumeRandomLengthString(300);
    const std::string pasted = input.ConsumeRandomLengthString(300);

    const EditMask mask(maskText, blank, kChars);
    const int maskLength = mask.MaskLength();
    const MaskFacts facts(maskText);
    CheckOffsets(maskText, mask, facts);

    const std::string fitted = mask.FitText(text);
    Check(fitted.size() == static_cast<std::size_t>(maskLength), "a fitted text has MaskLength characters");
    Check(facts.LiteralsHold(fitted), "a fitted text shows the literals");
    // A letter as the blank would be converted by a case directive the second time.
    if (!kChars.IsAlpha(blank)) {
        Check(mask.FitText(fitted) == fitted, "fitting a fitted text changes nothing");
    }

    int incomplete = -1;
    for (const std::string& candidate : {text, fitted}) {
        if (!mask.MaskComplete(candidate, incomplete)) {
            Check(incomplete >= 0 && incomplete < maskLength, "an incomplete position lies within the text");
        }
    }

    const int offset = input.ConsumeIntegralInRange(-1, maskLength + 1);
    const int count = input.ConsumeIntegralInRange(-1, maskLength + 1);
    std::string blanked = fitted;
    mask.BlankRange(blanked, offset, count);
    Check(blanked.size() == fitted.size(), "blanking keeps the length");
    Check(facts.LiteralsHold(blanked), "blanking keeps the literals");
    for (int at = 0; at < maskLength; ++at) {
        const auto index = static_cast<std::size_t>(at);
        const bool inRange = offset >= 0 && offset <= maskLength && at >= offset && at - offset < count;
        Check(blanked[index] == fitted[index] || (inRange && blanked[index] == blank),
              "blanking writes the blank into the range only");
    }

    if (offset >= 0 && offset <= maskLength) {
        std::string merged = fitted;
        const int next = mask.MergeInput(merged, pasted, offset);
        Check(next >= offset && next <= maskLength, "the offset behind a merged input lies in the text");
        Check(merged.size() == fitted.size(), "merging keeps the length");
        Check(merged.compare(0, static_cast<std::size_t>(offset), fitted, 0,
                             static_cast<std::size_t>(offset)) == 0,
              "merging keeps the text before the offset");
        Check(facts.LiteralsHold(merged), "merging keeps the literals");
        Check(!pasted.empty() || (merged == fitted && next == offset), "an empty input changes nothing");

        CheckEditPositions(mask, offset);
    }
    CheckEditPositions(mask, 0);
    CheckEditPositions(mask, maskLength);
    return 0;
}
