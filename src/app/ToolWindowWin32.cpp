#include "app/ToolWindow.h"

#include <windows.h>

void ApplyToolWindowStyle(void* handle) {
    const auto window = static_cast<HWND>(handle);
    const LONG style = GetWindowLongW(window, GWL_EXSTYLE);
    SetWindowLongW(window, GWL_EXSTYLE, style | WS_EX_TOOLWINDOW);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
}
