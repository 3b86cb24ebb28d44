#include "framework/CommonControls.h"

namespace {

struct TCommonControls {
#define PELWICK_POINTER(name) decltype(&::name) name = nullptr;
    PELWICK_COMMON_CONTROLS_FUNCTIONS(PELWICK_POINTER)
#undef PELWICK_POINTER
};

// Filled once, all or nothing: either every function is bound or none is.
TCommonControls Bound;

template <typename Function> bool Bind(HMODULE library, const char* name, Function& function) {
    // GetProcAddress returns a FARPROC whatever the function's type; the declaration's type is
    // the one the library's export has.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

bool Load() {
    // Under the process's activation context, which the manifest makes: version 6.
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    if (library == nullptr) {
        return false;
    }
    TCommonControls found;
    bool all = true;
#define PELWICK_BIND(name) all = Bind(library, #name, found.name) && all;
    PELWICK_COMMON_CONTROLS_FUNCTIONS(PELWICK_BIND)
#undef PELWICK_BIND
    if (!all) {
        return false;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    if (found.InitCommonControlsEx(&controls) == FALSE) {
        return false;
    }
    Bound = found;
    return true;
}

} // namespace

bool EnsureCommonControls() {
    static const bool loaded = Load();
    return loaded;
}

BOOL SetSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    if (!EnsureCommonControls()) {
        return FALSE;
    }
    return Bound.SetWindowSubclass(window, procedure, id, data);
}

LRESULT DefSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Bound.DefSubclassProc == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return Bound.DefSubclassProc(window, message, wParam, lParam);
}

BOOL RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    if (Bound.RemoveWindowSubclass == nullptr) {
        return FALSE;
    }
    return Bound.RemoveWindowSubclass(window, procedure, id);
}
