#include "conversions/PlatformSettings.h"
#include "conversions/StartupSettings.h"

#include <windows.h>

namespace {

// A two-unit buffer holds one character and its terminator; a longer separator makes the
// call fail, and the field keeps its default.
char16_t ReadSingleUnit(LCID locale, LCTYPE type, char16_t fallback) {
    wchar_t buffer[2] = {};
    if (GetLocaleInfoW(locale, type, buffer, 2) > 0) {
        return static_cast<char16_t>(buffer[0]);
    }
    return fallback;
}

} // namespace

void SelectUserThreadLocale() {
    SetThreadLocale(LOCALE_USER_DEFAULT);
}

unsigned ReadAnsiCodePage() {
    return GetACP();
}

void LoadFormatSettings() {
    const TFormatSettings defaults;
    LCID locale = GetThreadLocale();
    if (!IsValidLocale(locale, LCID_INSTALLED)) {
        locale = GetThreadLocale();
    }
    FormatSettings.DecimalSeparator =
        ReadSingleUnit(locale, LOCALE_SDECIMAL, defaults.DecimalSeparator);
    FormatSettings.ThousandSeparator =
        ReadSingleUnit(locale, LOCALE_STHOUSAND, defaults.ThousandSeparator);
}
