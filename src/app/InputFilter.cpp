#include "app/InputFilter.h"

bool FilterAdmits(std::u16string_view filter, std::u16string_view typed) {
    if (filter.empty()) {
        return true;
    }
    for (const char16_t c : typed) {
        if (filter.find(c) == std::u16string_view::npos) {
            return false;
        }
    }
    return true;
}
