#pragma once

// What the message box shows for a failure that reached the application object.

#include "runtime/Exceptions.h"

#include <string>

// The innermost non-empty message of the chain, with a full stop added when its last code unit
// sorts after '.'.
std::u16string ExceptionMessageText(const Exception& e);
