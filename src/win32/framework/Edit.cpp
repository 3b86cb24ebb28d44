#include "framework/Edit.h"

#include "app/InputFilter.h"
#include "framework/CommonControls.h"
#include "framework/Guard.h"

namespace {

// The height of one line of an edit's text in its font.
int LineHeight(HWND edit) {
    HDC dc = GetDC(edit);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    return metrics.tmHeight;
}

// Fills the room between an edit's border and its text's client area with the colour its
// parent gives edits.
void PaintAroundText(HWND edit) {
    RECT outer{};
    GetWindowRect(edit, &outer);
    RECT client{};
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -outer.left, -outer.top);
    OffsetRect(&outer, -outer.left, -outer.top);
    InflateRect(&outer, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    HDC dc = GetWindowDC(edit);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(edit), WM_CTLCOLOREDIT,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(edit)));
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &outer, brush != nullptr ? brush : GetSysColorBrush(COLOR_WINDOW));
    ReleaseDC(edit, dc);
}

// An edit with a typed-character filter. Enter acts on its release: the key-up goes to the
// edit's handler, and the Return character is not typed (a single-line edit would beep).
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
    auto* control = reinterpret_cast<TControl*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // Return reaches the edit instead of becoming the dialog manager's IDOK.
        if (wParam == VK_RETURN) {
            return DefSubclass(window, message, wParam, lParam) | DLGC_WANTMESSAGE;
        }
        break;
    case WM_CHAR: {
        if (wParam == L'\r' || wParam == L'\n') {
            return 0;
        }
        if (wParam == 1) { // Ctrl+A selects everything
            SendMessageW(window, EM_SETSEL, 0, -1);
            return 0;
        }
        // Control characters (editing keys, Ctrl shortcuts such as paste) are not typing.
        const auto typed = static_cast<char16_t>(wParam);
        if (typed >= 0x20 && typed != 0x7F &&
            !FilterAdmits(control->Filter, std::u16string_view(&typed, 1))) {
            return 0;
        }
        break;
    }
    case WM_NCCALCSIZE: {
        // The text in the middle of a tall field: the room above and below one line is taken
        // from the client area, painted in the field's colour and counted as part of it.
        const LRESULT result = DefSubclass(window, message, wParam, lParam);
        RECT* client = wParam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                   : reinterpret_cast<RECT*>(lParam);
        const int spare = (client->bottom - client->top) - LineHeight(window);
        if (spare > 1) {
            client->top += spare / 2;
            client->bottom -= spare - spare / 2;
        }
        return result;
    }
    case WM_NCPAINT: {
        const LRESULT result = DefSubclass(window, message, wParam, lParam);
        PaintAroundText(window);
        return result;
    }
    case WM_NCHITTEST: {
        // A press above or below the text is a press in the field.
        const LRESULT hit = DefSubclass(window, message, wParam, lParam);
        return hit == HTBORDER || hit == HTNOWHERE ? HTCLIENT : hit;
    }
    case WM_SETFONT: {
        const LRESULT result = DefSubclass(window, message, wParam, lParam);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        return result;
    }
    case WM_KEYUP: {
        const LRESULT result = DefSubclass(window, message, wParam, lParam);
        Guarded([&] {
            if (control->OnKeyUp) {
                control->OnKeyUp(static_cast<std::uint16_t>(wParam));
            }
        });
        return result;
    }
    case WM_NCDESTROY:
        RemoveSubclass(window, EditProc, 1);
        break;
    default:
        break;
    }
    return DefSubclass(window, message, wParam, lParam);
}

} // namespace

void MakeFilteredEdit(TControl& control) {
    // No limit but the platform's largest (a new edit stops at 30,000 characters).
    SendMessageW(control.Handle, EM_SETLIMITTEXT, 0, 0);
    SetSubclass(control.Handle, EditProc, 1, reinterpret_cast<DWORD_PTR>(&control));
}
