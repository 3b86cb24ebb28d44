#pragma once

// The typed-character filter of the wizard's number fields.

#include <string_view>

// Whether typing `typed` may insert it: every code unit occurs in `filter`; an empty filter
// admits everything. Editing keys, Enter and pasted text are not typing and never filtered.
bool FilterAdmits(std::u16string_view filter, std::u16string_view typed);
