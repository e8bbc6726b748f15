// Shared types of the edit library: alignment, check modes and results, edit state, short strings and the
// library's exception.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace useredit {

enum class TUserAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1 };

enum class TUserCheckModes : std::uint8_t {
    ucmMinCheck = 0,
    ucmMaxCheck = 1,
    ucmMandatory = 2,
    ucmSpecial = 3,
    ucmDependence = 4,
    ucmNotValid = 5,
};

// A set of check modes, one byte, bit n for element n.
class TUserCheckMode {
public:
    constexpr TUserCheckMode() = default;
    constexpr explicit TUserCheckMode(std::uint8_t bits) : bits_(bits) {}
    constexpr bool Contains(TUserCheckModes mode) const { return (bits_ & Bit(mode)) != 0; }
    constexpr void Include(TUserCheckModes mode) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(mode)); }
    constexpr void Exclude(TUserCheckModes mode) { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(mode)); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const TUserCheckMode&) const = default;

private:
    static constexpr std::uint8_t Bit(TUserCheckModes mode) {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(mode));
    }
    std::uint8_t bits_ = 0;
};

// Outcome of a value check; 3 and 4 exist for descendants and carry no message of this library.
enum class TUserCheckResults : std::uint8_t {
    ucrOk = 0,
    ucrBelowMin = 1,
    ucrAboveMax = 2,
    ucrReserved3 = 3,
    ucrReserved4 = 4,
};

// The edit state as a set: the values are the bits.
enum TUserEditStateFlag : std::uint8_t { uesEditing = 1, uesRefocus = 2, uesErrColor = 4 };
using TUserEditState = std::uint8_t;

// A selection as the edit window reports it (EM_GETSEL): Start <= End, 0-based offsets. Setting one
// (EM_SETSEL) names an anchor and a caret instead, the caret possibly before the anchor.
struct EditSelection {
    int Start = 0;
    int End = 0;
    bool operator==(const EditSelection&) const = default;
};

// Takes the focus back to an edit after a refused input, marking the enter notice that this brings so that it
// is not taken for an entry. The mark is set before the focus is asked for, because the notice comes within
// the request, and only when the focus is elsewhere: an edit that keeps the focus gets no notice, and a mark
// set then would swallow the next real entry.
template <typename SetMark, typename TakeFocus>
void TakeFocusBack(bool focused, SetMark setMark, TakeFocus takeFocus) {
    if (!focused) {
        setMark();
    }
    takeFocus();
}

// A short string: at most 255 single-byte characters.
using TString255 = std::string;
constexpr std::size_t kShortStringMax = 255;
inline TString255 ToShortString(std::string text) {
    if (text.size() > kShortStringMax) {
        text.resize(kShortStringMax);
    }
    return text;
}

// Raised by a failed value check with the message the control built.
class EUserEditError : public std::runtime_error {
public:
    explicit EUserEditError(const std::string& message, int helpContext = 0)
        : std::runtime_error(message), helpContext_(helpContext) {}
    int HelpContext() const { return helpContext_; }

private:
    int helpContext_;
};

}  // namespace useredit
