#include "TestHive.h"

#include <windows.h>

void UseFreshHive() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Korvenda");
}

// Wine grants every key access to its user whatever the key's security says.
bool BlockKeyCreation() {
    return false;
}
