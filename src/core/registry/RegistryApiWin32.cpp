// Straight through to advapi32. RegistryApi.h comes first: windows.h then turns its constant
// names into macros, which this file never spells after the include.
#include "registry/RegistryApi.h"
#include "registry/StoreFile.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide strings are UTF-16");
static_assert(sizeof(::HKEY) == sizeof(RegistryApi::HKEY));

namespace {

::HKEY ToNative(RegistryApi::HKEY key) {
    return reinterpret_cast<::HKEY>(key);
}
const wchar_t* ToNative(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

} // namespace

namespace RegistryApi {

LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass,
                        DWORD options, REGSAM samDesired, void* securityAttributes, HKEY* result,
                        DWORD* disposition) {
    ::HKEY native = nullptr;
    ::DWORD nativeDisposition = 0;
    const LSTATUS status = ::RegCreateKeyExW(
        ToNative(key), ToNative(subKey), reserved, reinterpret_cast<wchar_t*>(keyClass), options,
        samDesired, static_cast<LPSECURITY_ATTRIBUTES>(securityAttributes),
        result ? &native : nullptr, &nativeDisposition);
    if (status == 0) {
        if (result) {
            *result = reinterpret_cast<HKEY>(native);
        }
        if (disposition) {
            *disposition = nativeDisposition;
        }
    }
    return status;
}

LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM samDesired,
                      HKEY* result) {
    ::HKEY native = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(ToNative(key), ToNative(subKey), options, samDesired,
                                           result ? &native : nullptr);
    if (status == 0 && result) {
        *result = reinterpret_cast<HKEY>(native);
    }
    return status;
}

LSTATUS RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type,
                         std::uint8_t* data, DWORD* dataSize) {
    static_assert(sizeof(::DWORD) == sizeof(DWORD));
    return ::RegQueryValueExW(
        ToNative(key), ToNative(valueName), reinterpret_cast<::LPDWORD>(reserved),
        reinterpret_cast<::LPDWORD>(type), data, reinterpret_cast<::LPDWORD>(dataSize));
}

LSTATUS RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                       const std::uint8_t* data, DWORD dataSize) {
    return ::RegSetValueExW(ToNative(key), ToNative(valueName), reserved, type, data, dataSize);
}

LSTATUS RegCloseKey(HKEY key) {
    return ::RegCloseKey(ToNative(key));
}

LSTATUS RegFlushKey(HKEY key) {
    return ::RegFlushKey(ToNative(key));
}

} // namespace RegistryApi

// The registry is the system's: no file of the store's own to look at.
TStoreCheck CheckStoreFile() {
    return {};
}

std::u16string StoreReadOnlyReason() {
    return {};
}
