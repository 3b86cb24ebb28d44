#pragma once

// A balloon tooltip with a title at a point of the screen, as a notice: it closes on a click
// (which comes back to its owner) or after 20 s. Made at its first showing, with the common
// controls library.

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

class TBalloon {
public:
    explicit TBalloon(HWND owner) : Owner(owner) {}
    ~TBalloon();
    TBalloon(const TBalloon&) = delete;
    TBalloon& operator=(const TBalloon&) = delete;

    // The stem points at `at`; a balloon shown already takes the new texts. False where the
    // control cannot be made.
    bool Show(const std::wstring& title, const std::wstring& text, POINT at,
              std::function<void()> clicked);
    void Close();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
    TTTOOLINFOW Tool() const;

    HWND Owner;
    HWND Tip = nullptr;
    std::wstring Title;
    std::wstring Text;
    std::function<void()> Clicked;
};
