// The Windows-1252 character table behind Cp1252CharServices.
#include "useredit/CharServices.h"

#include <array>
#include <cstdint>

namespace useredit {
namespace {

// One class letter per byte, a row per high nibble:
//   U  upper-case letter with a lower-case partner     l  lower-case letter with an upper-case partner
//   x  letter without a case partner                    d  alphanumeric, not a letter
//   .  neither
constexpr std::array<const char*, 16> kClasses = {
    "................",  // 0x00
    "................",  // 0x10
    "................",  // 0x20
    "dddddddddd......",  // 0x30
    ".UUUUUUUUUUUUUUU",  // 0x40
    "UUUUUUUUUUU.....",  // 0x50
    ".lllllllllllllll",  // 0x60
    "lllllllllll.....",  // 0x70
    "...x....x.U.U.U.",  // 0x80
    "..........l.l.lU",  // 0x90
    "..........x.....",  // 0xA0
    "..dd.x...dx.....",  // 0xB0
    "UUUUUUUUUUUUUUUU",  // 0xC0
    "UUUUUUU.UUUUUUUx",  // 0xD0
    "llllllllllllllll",  // 0xE0
    "lllllll.llllllll",  // 0xF0
};

// Case pairs that are not 0x20 apart.
struct CasePair {
    std::uint8_t upper;
    std::uint8_t lower;
};
constexpr std::array<CasePair, 4> kIrregularPairs = {
    {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}}};

char ClassOf(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    return kClasses[byte >> 4][byte & 0x0F];
}

char FromByte(unsigned value) {
    return static_cast<char>(static_cast<std::uint8_t>(value));
}

}  // namespace

bool Cp1252CharServices::IsAlpha(char c) const {
    const char cls = ClassOf(c);
    return cls == 'U' || cls == 'l' || cls == 'x';
}

bool Cp1252CharServices::IsAlphaNumeric(char c) const {
    return ClassOf(c) == 'd' || IsAlpha(c);
}

char Cp1252CharServices::ToUpper(char c) const {
    if (ClassOf(c) != 'l') {
        return c;
    }
    const auto byte = static_cast<std::uint8_t>(c);
    for (const CasePair& pair : kIrregularPairs) {
        if (pair.lower == byte) {
            return FromByte(pair.upper);
        }
    }
    return FromByte(byte - 0x20u);
}

char Cp1252CharServices::ToLower(char c) const {
    if (ClassOf(c) != 'U') {
        return c;
    }
    const auto byte = static_cast<std::uint8_t>(c);
    for (const CasePair& pair : kIrregularPairs) {
        if (pair.upper == byte) {
            return FromByte(pair.lower);
        }
    }
    return FromByte(byte + 0x20u);
}

}  // namespace useredit
