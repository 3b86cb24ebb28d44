#include "framework/CommonControls.h"

#include <windows.h>

#include <commctrl.h>

bool EnsureCommonControls() {
    static const bool loaded = [] {
        // Under the process's activation context, which the manifest makes: version 6. The
        // library's functions are delayed imports, bound to this module at their first call.
        if (LoadLibraryW(L"comctl32.dll") == nullptr) {
            return false;
        }
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    return loaded;
}
