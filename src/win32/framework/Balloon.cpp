#include "framework/Balloon.h"

#include "framework/CommonControls.h"
#include "framework/Guard.h"

#include <commctrl.h>

#include <utility>

namespace {

constexpr UINT BalloonMilliseconds = 20000;
// Apart from the control's own timers.
constexpr UINT_PTR CloseTimer = 0x5057;
constexpr UINT_PTR SubclassId = 1;

} // namespace

TBalloon::~TBalloon() {
    if (Tip != nullptr) {
        RemoveSubclass(Tip, &Procedure, SubclassId);
        DestroyWindow(Tip);
    }
}

TTTOOLINFOW TBalloon::Tool() const {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_CENTERTIP;
    tool.hwnd = Owner;
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(Text.c_str());
    return tool;
}

bool TBalloon::Show(const std::wstring& title, const std::wstring& text, POINT at,
                    std::function<void()> clicked) {
    if (Tip == nullptr) {
        if (!EnsureCommonControls()) {
            return false;
        }
        Tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Owner, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
        if (Tip == nullptr) {
            return false;
        }
        SetSubclass(Tip, &Procedure, SubclassId, reinterpret_cast<DWORD_PTR>(this));
        TTTOOLINFOW tool = Tool();
        SendMessageW(Tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(Tip, TTM_SETMAXTIPWIDTH, 0, 360);
    }
    Title = title;
    Text = text;
    Clicked = std::move(clicked);
    TTTOOLINFOW tool = Tool();
    SendMessageW(Tip, TTM_SETTITLEW, TTI_INFO, reinterpret_cast<LPARAM>(Title.c_str()));
    SendMessageW(Tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(Tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(Tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(Tip, CloseTimer, BalloonMilliseconds, nullptr);
    return true;
}

void TBalloon::Close() {
    if (Tip == nullptr) {
        return;
    }
    KillTimer(Tip, CloseTimer);
    TTTOOLINFOW tool = Tool();
    SendMessageW(Tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK TBalloon::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
    auto* balloon = reinterpret_cast<TBalloon*>(data);
    if (message == WM_TIMER && wParam == CloseTimer) {
        balloon->Close();
        return 0;
    }
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        // Closed first: the click may open a window that should come above it.
        const std::function<void()> clicked = balloon->Clicked;
        balloon->Close();
        if (clicked && message == WM_LBUTTONDOWN) {
            Guarded(clicked);
        }
        return 0;
    }
    return DefSubclass(window, message, wParam, lParam);
}
