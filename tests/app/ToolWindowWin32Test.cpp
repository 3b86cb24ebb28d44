#include "app/ToolWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcW(window, message, w, l);
}

// A window shaped as the ticker's: a top-most layered pop-up, not yet a tool window.
class ToolWindowStyle : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = PlainWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PelwickToolWindowTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_LAYERED, L"PelwickToolWindowTest",
                                 L"FormMain", WS_POPUP, 817, 526, 286, 29, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr) << GetLastError();
    }
    void TearDown() override {
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }

    HWND window = nullptr;
};

TEST_F(ToolWindowStyle, AddsTheToolBitAndKeepsPositionSizeAndStacking) {
    const LONG before = GetWindowLongW(window, GWL_EXSTYLE);
    ASSERT_EQ(before & WS_EX_TOOLWINDOW, 0);
    RECT rectBefore{};
    GetWindowRect(window, &rectBefore);

    ApplyToolWindowStyle(window);

    const LONG after = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_EQ(after, before | WS_EX_TOOLWINDOW);
    EXPECT_NE(after & WS_EX_TOPMOST, 0);
    EXPECT_NE(after & WS_EX_LAYERED, 0);
    RECT rectAfter{};
    GetWindowRect(window, &rectAfter);
    EXPECT_EQ(rectAfter.left, rectBefore.left);
    EXPECT_EQ(rectAfter.top, rectBefore.top);
    EXPECT_EQ(rectAfter.right - rectAfter.left, 286);
    EXPECT_EQ(rectAfter.bottom - rectAfter.top, 29);
}

TEST_F(ToolWindowStyle, IsIdempotent) {
    ApplyToolWindowStyle(window);
    const LONG once = GetWindowLongW(window, GWL_EXSTYLE);
    ApplyToolWindowStyle(window);
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), once);
}

} // namespace
