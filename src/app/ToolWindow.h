#pragma once

// The ticker's platform window style, Qt-free so that it is tested on a real window.

// Adds the tool-window bit to the extended style of the window `handle` (an HWND) and lets the
// change take effect without moving, resizing or re-stacking the window: no task bar button,
// not offered by task switching.
void ApplyToolWindowStyle(void* handle);
