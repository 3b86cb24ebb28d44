// The forms' pointer: window-level mouse notifications before the control under the pointer,
// the pointer captured for a press, the window's own cursor, and the window's place as a drag
// reads and sets it.

#include "framework/Form.h"

#include "framework/Guard.h"

#include <windowsx.h>

void TForm::SetCursor(TCursor cursor) {
    OwnCursor = cursor;
    POINT pointer;
    if (GetCursorPos(&pointer) && WindowFromPoint(pointer) == Window) {
        ::SetCursor(CursorHandle(cursor));
    }
}

TPoint TForm::Position() const {
    RECT rect{};
    GetWindowRect(Window, &rect);
    return {rect.left, rect.top};
}

void TForm::MoveTo(TPoint position) {
    Placed = position;
    SetWindowPos(Window, nullptr, position.X, position.Y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::PreviewMessage(const MSG& message) {
    if (message.message < WM_MOUSEFIRST || message.message > WM_MBUTTONUP) {
        return;
    }
    TForm* form = FromHandle(message.hwnd);
    if (form == nullptr) {
        return;
    }
    POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    MapWindowPoints(message.hwnd, form->Window, &point, 1);
    const auto x = static_cast<float>(point.x);
    const auto y = static_cast<float>(point.y);
    Guarded([&] {
        switch (message.message) {
        case WM_LBUTTONDOWN:
            form->FormMouseDownEvent(0, x, y);
            // Moves then come to the window wherever the pointer is, even where one move takes
            // it off the window.
            if (form->CapturesPointer && form->Window != nullptr) {
                SetCapture(form->Window);
                form->PointerCaptured = true;
            }
            break;
        case WM_RBUTTONDOWN:
            form->FormMouseDownEvent(1, x, y);
            break;
        case WM_MBUTTONDOWN:
            form->FormMouseDownEvent(2, x, y);
            break;
        case WM_MOUSEMOVE:
            form->FormMouseMoveEvent((message.wParam & MK_LBUTTON) != 0, x, y);
            break;
        case WM_LBUTTONUP:
            if (form->PointerCaptured) {
                form->PointerCaptured = false;
                ReleaseCapture();
            }
            form->FormMouseUpEvent(0, x, y);
            break;
        case WM_RBUTTONUP:
            form->FormMouseUpEvent(1, x, y);
            break;
        case WM_MBUTTONUP:
            form->FormMouseUpEvent(2, x, y);
            break;
        default:
            break;
        }
    });
}
