#pragma once

#include <windows.h>

#include <commctrl.h>

// The common controls library is not loaded at start: the ticker needs none of it until the
// pointer first rests on it (the tooltip), and the wizard none until its first showing. Whatever
// needs one of its window classes or functions calls this first.
//
// The library is not imported at all, neither directly nor as a delayed import: its few
// functions are bound once, by name, with the types of their declarations, through
// LoadLibraryW and GetProcAddress. That is one mechanism for the 32-bit and the 64-bit build
// alike, with no decorated names and no import thunks of the linker's making.

// The functions bound at run time. The build's binding check reads this list too, to see that
// the system's library of each kind exports every name in it.
#define PELWICK_COMMON_CONTROLS_FUNCTIONS(X)                                                       \
    X(InitCommonControlsEx)                                                                        \
    X(SetWindowSubclass)                                                                           \
    X(DefSubclassProc)                                                                             \
    X(RemoveWindowSubclass)

// Loads the library, as the manifest asks for it (version 6), binds its functions and registers
// the classes the program uses (month calendar, tooltip, progress bar and the standard
// controls). Returns whether all of that succeeded; only the first call does any work. Where
// it did not, the program goes on without what needs the library.
bool EnsureCommonControls();

// The subclassing calls, through the bound functions. Where the library is missing, no
// subclass is set (SetSubclass returns FALSE), so the other two are never reached without it;
// should they be, they act as if there were no subclass.
BOOL SetSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
LRESULT DefSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
