#include "runtime/Exceptions.h"

#include "runtime/Text.h"

#include <utility>

Exception::Exception(std::u16string message, std::shared_ptr<const Exception> inner)
    : message_(std::move(message)), utf8_(ToUtf8(message_)), inner_(std::move(inner)) {}
