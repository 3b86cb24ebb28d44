#include "TestHive.h"

#include <windows.h>

#include <sddl.h>

namespace {

const wchar_t* const StoreKey = L"Software\\Korvenda\\Pelwick";

bool SetDacl(HKEY key, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd,
                                                              nullptr)) {
        return false;
    }
    const bool ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}

} // namespace

void UseFreshHive() {
    // A key left read-only by an earlier test gets full access back before it goes.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        SetDacl(key, L"D:P(A;;KA;;;WD)");
        RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Korvenda");
}

// Wine does not check a parent key's right to create subkeys, so creation cannot be refused.
bool BlockKeyCreation() {
    return false;
}

bool MakeKeyReadOnly() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        return false;
    }
    // Everyone may read and change the permissions back; nothing else.
    const bool ok = SetDacl(key, L"D:P(A;;0x60019;;;WD)");
    RegCloseKey(key);
    return ok;
}
