#pragma once

#include <string>

// Widens an 8-bit text constant (up to its first NUL) through the ANSI code page; outside
// Windows exactly as code page 1252 does.
std::u16string WidenNarrowText(const char* text);
