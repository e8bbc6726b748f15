// The ANSI character routines and the locale's separators.
#include "useredit/win32/WinCharServices.h"

#include <windows.h>

#include "useredit/EditMask.h"

namespace useredit {
namespace {

char ConvertCase(char c, DWORD(WINAPI* convert)(LPSTR, DWORD)) {
    char buffer[1] = {c};
    convert(buffer, 1);
    return buffer[0];
}

// The first character of a locale text, or `fallback` when the locale has none.
char LocaleChar(LCTYPE type, char fallback) {
    char text[8] = {};
    return ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) > 1 ? text[0] : fallback;
}

}  // namespace

bool WinCharServices::IsAlpha(char c) const {
    return ::IsCharAlphaA(c) != FALSE;
}

bool WinCharServices::IsAlphaNumeric(char c) const {
    return ::IsCharAlphaNumericA(c) != FALSE;
}

char WinCharServices::ToUpper(char c) const {
    return ConvertCase(c, ::CharUpperBuffA);
}

char WinCharServices::ToLower(char c) const {
    return ConvertCase(c, ::CharLowerBuffA);
}

const CharServices& SystemCharServices() {
    static const WinCharServices services;
    return services;
}

void ReadLocaleSeparatorsOnce() {
    static const bool done = [] {
        MaskSettings& settings = GlobalMaskSettings();
        settings.DateSeparator = LocaleChar(LOCALE_SDATE, settings.DateSeparator);
        settings.TimeSeparator = LocaleChar(LOCALE_STIME, settings.TimeSeparator);
        return true;
    }();
    (void)done;
}

}  // namespace useredit
