#include "app/Autostart.h"

#include "runtime/Exceptions.h"

#include <windows.h>

#include <string>

// The installer offers the start at sign-in; the switch alone changes it afterwards.
const bool AutostartAtFirstSetup = false;

namespace {

constexpr wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t ValueName[] = L"Pelwick";

[[noreturn]] void RaiseChangeFailure(LSTATUS status) {
    wchar_t reason[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(status), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), reason, 512,
                   nullptr);
    std::u16string text = u"Der Start bei der Anmeldung lie\u00DF sich nicht \u00E4ndern.";
    if (reason[0] != 0) {
        text += u"\n" + std::u16string(reason, reason + wcslen(reason));
    }
    throw Exception(text);
}

} // namespace

TAutostartEntry ReadAutostart() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExW(key, ValueName, nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    const bool present = status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
    return {present, present};
}

void WriteAutostart(bool on) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, RunKey, 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        RaiseChangeFailure(status);
    }
    if (on) {
        std::wstring program(MAX_PATH, L'\0');
        DWORD length = 0;
        while ((length = GetModuleFileNameW(nullptr, program.data(),
                                            static_cast<DWORD>(program.size()))) ==
               program.size()) {
            program.resize(program.size() * 2);
        }
        program.resize(length);
        const std::wstring quoted = L"\"" + program + L"\"";
        status =
            RegSetValueExW(key, ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                           static_cast<DWORD>((quoted.size() + 1) * sizeof(wchar_t)));
    } else {
        status = RegDeleteValueW(key, ValueName);
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        RaiseChangeFailure(status);
    }
}
