#include "conversions/PlatformSettings.h"
#include "conversions/StartupSettings.h"

#include "runtime/Text.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <string>

namespace {

// The numeric locale's name as the C library resolves it: LC_ALL, then LC_NUMERIC, then LANG.
const char* NumericLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "C";
}

// One UTF-16 code unit, or the default: an empty or a longer separator does not fit.
char16_t SingleUnit(const char* text, bool utf8, char16_t fallback) {
    if (text == nullptr) {
        return fallback;
    }
    const std::size_t length = std::strlen(text);
    if (utf8) {
        const std::u16string wide = FromUtf8(std::string_view(text, length));
        return wide.size() == 1 ? wide[0] : fallback;
    }
    // Another code set: only a plain ASCII character is read unambiguously.
    const auto byte = static_cast<unsigned char>(text[0]);
    return length == 1 && byte < 0x80 ? static_cast<char16_t>(byte) : fallback;
}

} // namespace

void SelectUserThreadLocale() {}

unsigned ReadAnsiCodePage() {
    return 1252;
}

void LoadFormatSettings() {
    const TFormatSettings defaults;
    FormatSettings = defaults;
    locale_t locale = newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, NumericLocaleName(), nullptr);
    if (locale == nullptr) {
        return; // not installed: the defaults
    }
    const char* codeset = nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0);
    FormatSettings.DecimalSeparator =
        SingleUnit(nl_langinfo_l(RADIXCHAR, locale), utf8, defaults.DecimalSeparator);
    FormatSettings.ThousandSeparator =
        SingleUnit(nl_langinfo_l(THOUSEP, locale), utf8, defaults.ThousandSeparator);
    freelocale(locale);
}
