#pragma once

// UTF-16 is the text of the core; these are the few places where it meets UTF-8 (what(),
// the SQLite hive's names, file paths).

#include <string>
#include <string_view>

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);
