#include "app/MessageText.h"

std::u16string ExceptionMessageText(const Exception& e) {
    std::u16string text = e.Message();
    for (const Exception* inner = e.InnerException(); inner != nullptr;
         inner = inner->InnerException()) {
        if (!inner->Message().empty()) {
            text = inner->Message();
        }
    }
    if (!text.empty() && text.back() > u'.') {
        text += u'.';
    }
    return text;
}
