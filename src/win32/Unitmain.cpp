#include "Unitmain.h"

#include "Unitprogress.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "app/ToolWindow.h"
#include "framework/Application.h"
#include "framework/CommonControls.h"
#include "framework/Text.h"
#include "runtime/Text.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>

TFormMain* FormMain = nullptr;

namespace {

// A 32-bit top-down DIB section selected into a memory device context.
class TSurface {
public:
    TSurface(int width, int height) : Width(width), Height(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        Dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        Bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (Bitmap == nullptr || Dc == nullptr) {
            throw Exception(u"CreateDIBSection failed");
        }
        Pixels = static_cast<std::uint32_t*>(bits);
        std::fill(Pixels, Pixels + static_cast<std::size_t>(width) * height, 0u);
        Previous = SelectObject(Dc, Bitmap);
    }
    TSurface(const TSurface&) = delete;
    TSurface& operator=(const TSurface&) = delete;
    ~TSurface() {
        SelectObject(Dc, Previous);
        DeleteObject(Bitmap);
        DeleteDC(Dc);
    }

    int Width;
    int Height;
    HDC Dc = nullptr;
    std::uint32_t* Pixels = nullptr;

private:
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Previous = nullptr;
};

} // namespace

TFormMain::TFormMain(TApplication*) : TForm(L"TFormMain"), Ticker(*this) {
    Bind(u"FormCreate", [this] { FormCreate(); });
    Bind(u"TimerMainTimer", [this] { TimerMainTimer(); });
    Bind(u"MenuItemCloseClick", [this] { MenuItemCloseClick(); });
    Bind(u"MenuItemSettingsClick", [this] { MenuItemSettingsClick(); });
    // The layout; TimerMain starts counting as it is created.
    Build();
    TimerMain = &Component(u"TimerMain");
    PopupMenu = &Component(u"PopupMenu");
    MenuItemClose = &Component(u"MenuItemClose");
    MenuItemSettings = &Component(u"MenuItemSettings");
    LabelMoney = &Component(u"LabelMoney");
    ImageMain = &Component(u"ImageMain");
    AutoSizeLabel();
    // A window 29 pixels high is left by one quick move: a drag keeps the pointer all the same.
    CapturesPointer = true;

    Setting = new TSetting;

    // Its construction fills the fields from the store: at a first start the first access.
    if (FormSetup == nullptr) {
        FormSetup = new TFormSetup(this);
    }

    ApplyToolWindowStyle(Window);
}

TFormMain::~TFormMain() {
    if (Tooltip != nullptr) {
        DestroyWindow(Tooltip);
    }
    delete FormProgress;
    FormProgress = nullptr;
    delete FormSetup;
    FormSetup = nullptr;
    if (FormMain == this) {
        FormMain = nullptr;
    }
}

void TFormMain::CreateTooltip() {
    if (!EnsureCommonControls()) {
        return; // the ticker works without it
    }
    Tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, Window, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (Tooltip == nullptr) {
        return; // the ticker works without it
    }
    // The pointer rests on the cigarette or on the label's text: both are tools of the form,
    // whose text is asked for when the tip opens, so no timer of ours runs for it.
    for (const TControl* control : {ImageMain, LabelMoney}) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Window;
        tool.uId = reinterpret_cast<UINT_PTR>(control->Handle);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Wide enough for the longest milestone on one line; the line break stays where it is.
    SendMessageW(Tooltip, TTM_SETMAXTIPWIDTH, 0, Scaled(640));
}

LRESULT TFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEACTIVATE) {
        // A press on the ticker does not activate it: it takes no keyboard input, and under
        // Wine a press that activates a window whose activation is still settling is eaten
        // (no menu, no drag). The menu brings the window forward itself.
        return MA_NOACTIVATE;
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == Tooltip && header->code == TTN_GETDISPINFOW) {
            // Empty while setup is not complete or the store fails: then no tip shows.
            TooltipShown = ToWide(Ticker.TooltipText());
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = TooltipShown.data();
            return 0;
        }
    }
    return TForm::HandleMessage(message, wParam, lParam);
}

void TFormMain::FormCreate() {
    Ticker.FormCreate();
}

void TFormMain::TimerMainTimer() {
    Ticker.TimerMainTimer();
}

void TFormMain::MenuItemCloseClick() {
    Ticker.MenuItemCloseClick();
}

void TFormMain::MenuItemSettingsClick() {
    Ticker.MenuItemSettingsClick();
}

void TFormMain::FormMouseDown(int button, float x, float y) {
    Ticker.FormMouseDown(x, y, button == 0);
}

void TFormMain::FormMouseMove(bool leftHeld, float x, float y) {
    Ticker.FormMouseMove(leftHeld, x, y);
}

void TFormMain::FormMouseUp(int button, float, float) {
    Ticker.FormMouseUp(button == 0);
}

void TFormMain::FormMouseDownEvent(int button, float x, float y) {
    FormMouseDown(button, x, y);
}

void TFormMain::FormMouseMoveEvent(bool leftHeld, float x, float y) {
    // The tip's control, and with it the common controls library, is made when the pointer
    // first comes over the ticker, before this move is dispatched: the control sees the move
    // and opens when the pointer rests.
    if (!TooltipMade) {
        TooltipMade = true;
        CreateTooltip();
    }
    FormMouseMove(leftHeld, x, y);
}

void TFormMain::FormMouseUpEvent(int button, float x, float y) {
    FormMouseUp(button, x, y);
}

void TFormMain::ShowCentered() {
    Render();
    TForm::ShowCentered();
}

void TFormMain::SetLabelText(const std::u16string& text) {
    wchar_t current[256] = {};
    GetWindowTextW(LabelMoney->Handle, current, 256);
    if (FromWide(current) == text) {
        return;
    }
    SetWindowTextW(LabelMoney->Handle, ToWide(text).c_str());
    AutoSizeLabel();
    // While hidden (creation, a first-start wizard) the face waits for the first showing, which
    // draws it: composing it now as well cost a second composition at start.
    if (IsWindowVisible(Window)) {
        Render();
    }
}

int TFormMain::ShowSetupModal() {
    return FormSetup->ShowModal();
}

void TFormMain::ShowException(const Exception& e) {
    Application->ShowException(e);
}

bool TFormMain::MessageBoxShowing() const {
    return Application->MessageBoxShowing();
}

void TFormMain::Close() {
    // The main window: destroying it ends the message loop.
    DestroyWindow(Window);
}

void TFormMain::SetCursor(TCursor cursor) {
    TForm::SetCursor(cursor);
}

TPoint TFormMain::Position() const {
    return TForm::Position();
}

void TFormMain::MoveTo(TPoint position) {
    TForm::MoveTo(position);
}

void TFormMain::DpiChanged() {
    AutoSizeLabel();
    Render();
}

void TFormMain::AutoSizeLabel() {
    const int length = GetWindowTextLengthW(LabelMoney->Handle);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(LabelMoney->Handle, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    HDC dc = GetDC(Window);
    HGDIOBJ previous = SelectObject(dc, LabelMoney->Font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    SelectObject(dc, previous);
    ReleaseDC(Window, dc);
    SetWindowPos(LabelMoney->Handle, nullptr, 0, 0, extent.cx, extent.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMain::Render() {
    RECT bounds{};
    GetWindowRect(Window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    TSurface face(width, height);

    // The cigarette, fitted and centred in ImageMain's rectangle.
    const TPixels& picture = PictureOf(*ImageMain);
    const POINT box = ClientOrigin(*ImageMain);
    const TFitted at = FitInto(picture.Width, picture.Height, Scaled(ImageMain->Layout.Width),
                               Scaled(ImageMain->Layout.Height));
    for (int row = 0; row < picture.Height; ++row) {
        const int y = box.y + at.Y + row;
        if (y < 0 || y >= height) {
            continue;
        }
        for (int column = 0; column < picture.Width; ++column) {
            const int x = box.x + at.X + column;
            if (x >= 0 && x < width) {
                face.Pixels[y * width + x] =
                    picture.Data[static_cast<std::size_t>(row) * picture.Width + column];
            }
        }
    }

    // The label's text: GDI draws it white on black into a bitmap of its own, whose grey
    // levels are the text's coverage; the text is then laid over the picture in black at the
    // label's opacity. (GDI writes no alpha, so it cannot draw onto the face directly.)
    const int length = GetWindowTextLengthW(LabelMoney->Handle);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(LabelMoney->Handle, text.data(), length + 1);
    TSurface coverage(width, height);
    HGDIOBJ previousFont = SelectObject(coverage.Dc, LabelMoney->Font);
    SetBkMode(coverage.Dc, TRANSPARENT);
    SetTextColor(coverage.Dc, RGB(255, 255, 255));
    const POINT origin = ClientOrigin(*LabelMoney);
    TextOutW(coverage.Dc, origin.x, origin.y, text.c_str(), length);
    SelectObject(coverage.Dc, previousFont);
    GdiFlush();
    const double labelOpacity = std::stod(ToUtf8(LabelMoney->Layout.Text(u"opacity", u"1")));
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        const std::uint32_t c = coverage.Pixels[i];
        // The brightest channel: grey-scale smoothing writes all three alike.
        const unsigned level = std::max({(c >> 16) & 0xFFu, (c >> 8) & 0xFFu, c & 0xFFu});
        if (level == 0) {
            continue;
        }
        const double alpha = labelOpacity * level / 255.0;
        const std::uint32_t p = face.Pixels[i];
        const auto keep = [alpha](std::uint32_t channel) {
            return static_cast<std::uint32_t>(std::lround(channel * (1.0 - alpha)));
        };
        const std::uint32_t a = static_cast<std::uint32_t>(
            std::lround(alpha * 255.0 + ((p >> 24) & 0xFFu) * (1.0 - alpha)));
        face.Pixels[i] = (std::min(a, 255u) << 24) | (keep((p >> 16) & 0xFFu) << 16) |
                         (keep((p >> 8) & 0xFFu) << 8) | keep(p & 0xFFu);
    }

    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screen = GetDC(nullptr);
    UpdateLayeredWindow(Window, screen, nullptr, &size, face.Dc, &source, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
}

TPoint TFormMain::DragThreshold() const {
    return {GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)};
}

std::uint32_t TFormMain::MouseEventTime() const {
    return static_cast<std::uint32_t>(GetMessageTime());
}

std::uint32_t TFormMain::DoubleClickTime() const {
    return GetDoubleClickTime();
}

TPoint TFormMain::DoubleClickDistance() const {
    // The rectangle's size, centred on the first press.
    return {GetSystemMetrics(SM_CXDOUBLECLK) / 2, GetSystemMetrics(SM_CYDOUBLECLK) / 2};
}

void TFormMain::ShowProgress() {
    if (FormProgress == nullptr) {
        FormProgress = new TFormProgress(Ticker);
    }
    FormProgress->ShowNear(Window);
}

void TFormMain::RefreshProgress() {
    if (FormProgress != nullptr && FormProgress->IsOpen()) {
        FormProgress->Progress.Refresh();
    }
}

void TFormMain::ShowNotice(const std::u16string& text) {
    if (Notice == nullptr) {
        Notice = std::make_unique<TBalloon>(Window);
    }
    RECT at{};
    GetWindowRect(Window, &at);
    // Where the control cannot be made the ticker goes on without the notice.
    Notice->Show(ToWide(NoticeTitle), ToWide(text), {(at.left + at.right) / 2, at.bottom},
                 [this] { Ticker.NoticeClick(); });
}
