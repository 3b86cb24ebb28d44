#include "conversions/NarrowText.h"
#include "conversions/StartupSettings.h"

#include <cstring>
#include <windows.h>

std::u16string WidenNarrowText(const char* text) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const int length = static_cast<int>(std::strlen(text));
    const int needed = MultiByteToWideChar(NarrowCodePage, 0, text, length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(NarrowCodePage, 0, text, length,
                                            reinterpret_cast<wchar_t*>(out.data()), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}
