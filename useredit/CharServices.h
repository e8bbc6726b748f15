// Letter classification and case conversion of single-byte (ANSI) characters, as the mask routines need them.
#pragma once

namespace useredit {

// Windows answers these with IsCharAlphaA, IsCharAlphaNumericA, CharUpperA and CharLowerA under the
// process's ANSI code page; native builds use the Windows-1252 table below.
class CharServices {
public:
    virtual ~CharServices() = default;
    virtual bool IsAlpha(char c) const = 0;
    virtual bool IsAlphaNumeric(char c) const = 0;
    // A character without a case partner in the code page comes back unchanged.
    virtual char ToUpper(char c) const = 0;
    virtual char ToLower(char c) const = 0;
};

// The Windows ANSI routines under code page 1252, as observed on the target: besides the Latin letters they
// count the modifier letters 0x83, 0x88, 0xAA, 0xBA and the micro sign 0xB5 as letters and the superscript
// digits 0xB2, 0xB3, 0xB9 as alphanumeric. Undefined code points (0x81, 0x8D, 0x8F, 0x90, 0x9D) are
// neither, and 0xDF, 0xB5 and 0x83 keep their byte in both conversions, having no partner in the code page.
class Cp1252CharServices final : public CharServices {
public:
    bool IsAlpha(char c) const override;
    bool IsAlphaNumeric(char c) const override;
    char ToUpper(char c) const override;
    char ToLower(char c) const override;
};

}  // namespace useredit
