#pragma once

// Text to number, with the exact syntax and German messages of the wizard's fields.

#include "conversions/Types.h"

#include <cstdint>
#include <string>

// EConvertError "''%s'' ist kein gültiger Integer-Wert".
std::int32_t TextToInteger(const std::u16string& text);

// EConvertError "'%s' ist kein gültiger Gleitkommawert". Not narrowed.
Extended TextToExtended(const std::u16string& text);
