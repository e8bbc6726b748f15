// The character services and the mask settings as Windows gives them: the ANSI routines of the process's code
// page, and the user locale's date and time separators.
#pragma once

#include "useredit/CharServices.h"

namespace useredit {

class WinCharServices final : public CharServices {
public:
    bool IsAlpha(char c) const override;
    bool IsAlphaNumeric(char c) const override;
    char ToUpper(char c) const override;
    char ToLower(char c) const override;
};

const CharServices& SystemCharServices();

// Sets the process-wide date and time separators from the user's locale, once.
void ReadLocaleSeparatorsOnce();

}  // namespace useredit
