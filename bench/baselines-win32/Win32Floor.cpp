// The floor of a Win32 program with Pelwick's kind of window: one frameless, per-pixel
// transparent, top-most tool window of 286 x 29 titled "FormMain", centred, its face one
// premultiplied bitmap given to UpdateLayeredWindow, and a message loop. No timer, no store.

#include <windows.h>

#include <cstdint>

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    constexpr int Width = 286;
    constexpr int Height = 29;
    WNDCLASSW type{};
    type.lpfnWndProc = Proc;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.lpszClassName = L"Win32Floor";
    RegisterClassW(&type);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - Width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - Height) / 2;
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Win32Floor",
                                  L"FormMain", WS_POPUP, x, y, Width, Height, nullptr, nullptr,
                                  instance, nullptr);

    // A half-transparent grey face with one line of text, as the ticker has.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width, -Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP face = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < Width * Height; ++i) {
        pixels[i] = 0xC0606060u;
    }
    SelectObject(dc, face);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 0, 6, L"    600      195,00\u20ac", 19);
    POINT source{0, 0};
    SIZE size{Width, Height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, nullptr, &size, dc, &source, 0, &blend, ULW_ALPHA);
    ShowWindow(window, SW_SHOW);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
