#include "framework/Form.h"

#include "app/Calendar.h"
#include "app/InputFilter.h"
#include "framework/Application.h"
#include "framework/CommonControls.h"
#include "framework/Edit.h"
#include "framework/Guard.h"
#include "framework/Text.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const wchar_t FormProperty[] = L"PelwickForm";
const wchar_t PanelClass[] = L"PelwickPanel";
const wchar_t ImageClass[] = L"PelwickImage";
const wchar_t ComposedLabelClass[] = L"PelwickLabel";
// The colour that a see-through form's background is painted in and that the window system
// leaves out; no control of ours draws it.
const COLORREF ColourKey = RGB(255, 0, 255);
const COLORREF PanelBorder = RGB(0x8E, 0x8E, 0x8E);

[[noreturn]] void LayoutError(const TLayoutRecord& record, std::u16string_view why) {
    throw Exception(u"Layout " + record.Name + u": " + std::u16string(why));
}

TKind KindOf(const TLayoutRecord& record) {
    static const std::pair<std::u16string_view, TKind> kinds[] = {
        {u"form", TKind::Form},           {u"panel", TKind::Panel},
        {u"label", TKind::Label},         {u"edit", TKind::Edit},
        {u"button", TKind::Button},       {u"image", TKind::Image},
        {u"calendar", TKind::Calendar},   {u"timer", TKind::Timer},
        {u"memo", TKind::Memo},           {u"progress", TKind::Progress},
        {u"popupmenu", TKind::PopupMenu}, {u"menuitem", TKind::MenuItem},
    };
    for (const auto& [name, kind] : kinds) {
        if (record.Kind == name) {
            return kind;
        }
    }
    LayoutError(record, u"unknown kind " + record.Kind);
}

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) {
    *reinterpret_cast<bool*>(data) = true;
    return 0;
}

bool FontInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    if (face.size() >= LF_FACESIZE) {
        return false;
    }
    face.copy(wanted.lfFaceName, face.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The system's user-interface font, where a named one is missing.
std::wstring SystemFontFace() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return metrics.lfMessageFont.lfFaceName;
    }
    return L"Tahoma";
}

// The first installed face of "font" and its comma-separated "fallback" list.
std::wstring ChooseFace(const std::u16string& font, const std::u16string& fallback) {
    std::vector<std::u16string> faces{font};
    std::u16string_view rest = fallback;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(u',');
        faces.emplace_back(rest.substr(0, comma));
        rest = comma == std::u16string_view::npos ? std::u16string_view() : rest.substr(comma + 1);
    }
    for (const std::u16string& face : faces) {
        if (!face.empty() && FontInstalled(ToWide(face))) {
            return ToWide(face);
        }
    }
    return SystemFontFace();
}

void FillRectColour(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// Registers a window class of ours for child windows with the arrow cursor.
bool RegisterChildClass(HINSTANCE instance, WNDPROC procedure, const wchar_t* name) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

// The control that a panel or an image window shows: given at its creation, kept in its user
// data from then on.
TControl* ControlOfWindow(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    return reinterpret_cast<TControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// A panel: a white rectangle with a grey border. The controls on it are its children, so it
// never hides them; their notifications go on to the form.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const TControl* control = ControlOfWindow(window, message, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT rect;
        GetClientRect(window, &rect);
        FillRectColour(dc, rect, PanelBorder);
        InflateRect(&rect, -1, -1);
        FillRectColour(dc, rect, RGB(255, 255, 255));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETCURSOR:
        // Only over the panel itself; a control under the pointer shows its own.
        if (reinterpret_cast<HWND>(wParam) != window) {
            return FALSE;
        }
        ::SetCursor(CursorHandle(control != nullptr && control->Cursor ? *control->Cursor
                                                                       : TCursor::Default));
        return TRUE;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// An image: its picture scaled to fit, centred; a right-button press opens its popup menu.
// On a form drawn with UpdateLayeredWindow it paints nothing itself: the form composes it.
LRESULT CALLBACK ImageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A label on a form drawn with UpdateLayeredWindow: it only holds its text and place, which the
// form composes, and like a static control without SS_NOTIFY it is transparent to the mouse.
// (The system's static control would load the common controls library at start, as the
// manifest asks for their version 6.)
LRESULT CALLBACK ComposedLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) {
        return HTTRANSPARENT;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TScreenAreas PrimaryScreen() {
    const TRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || IsRectEmpty(&work)) {
        return {screen, screen};
    }
    return {screen, {work.left, work.top, work.right - work.left, work.bottom - work.top}};
}

HCURSOR CursorHandle(TCursor cursor) {
    switch (cursor) {
    case TCursor::Cross:
        return LoadCursorW(nullptr, IDC_CROSS);
    case TCursor::SizeAll:
        return LoadCursorW(nullptr, IDC_SIZEALL);
    case TCursor::Default:
        break;
    }
    return LoadCursorW(nullptr, IDC_ARROW);
}

unsigned WindowDpi(HWND window) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

TForm::TForm(const wchar_t* className, HWND owner) : ClassName(className), OwnerWindow(owner) {
    CurrentDpi = WindowDpi(nullptr);
}

TForm::~TForm() {
    if (Window != nullptr && IsWindow(Window)) {
        RemovePropW(Window, FormProperty);
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        DestroyWindow(Window);
    }
    for (const auto& control : Components) {
        if (control->Kind == TKind::PopupMenu && control->Menu != nullptr) {
            DestroyMenu(control->Menu);
        }
    }
    for (const auto& [face, font] : Fonts) {
        DeleteObject(font);
    }
    if (WhiteBrush != nullptr) {
        DeleteObject(WhiteBrush);
    }
}

TControl& TForm::Component(std::u16string_view name) {
    return const_cast<TControl&>(static_cast<const TForm*>(this)->Component(name));
}

const TControl& TForm::Component(std::u16string_view name) const {
    for (const auto& control : Components) {
        if (control->Layout.Name == name) {
            return *control;
        }
    }
    throw Exception(u"Layout: no component " + std::u16string(name));
}

void TForm::Bind(std::u16string name, std::function<void()> handler) {
    Handlers[std::move(name)] = std::move(handler);
}

void TForm::BindKey(std::u16string name, std::function<void(std::uint16_t)> handler) {
    KeyHandlers[std::move(name)] = std::move(handler);
}

void TForm::Build() {
    HRSRC found = FindResourceW(nullptr, ClassName.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const char* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) {
        throw Exception(u"Layout missing: " + FromWide(ClassName));
    }
    const std::vector<TLayoutRecord> records =
        ParseLayout(std::string_view(bytes, SizeofResource(nullptr, found)));

    for (const TLayoutRecord& record : records) {
        auto control = std::make_unique<TControl>();
        control->Layout = record;
        control->Kind = KindOf(record);
        control->Owner = this;
        if (!record.Parent.empty()) {
            control->Parent = &Component(record.Parent);
        }
        if ((control->Kind == TKind::Form) != (control->Parent == nullptr)) {
            LayoutError(record, u"the window must be the first record and a form");
        }
        Components.push_back(std::move(control));
    }
    // The system's controls are themed by the common controls library, and the progress bar is
    // one of its classes: loaded before the first form that has one is built (the ticker has
    // none).
    if (std::any_of(Components.begin(), Components.end(), [](const auto& control) {
            return control->Kind == TKind::Edit || control->Kind == TKind::Memo ||
                   control->Kind == TKind::Button || control->Kind == TKind::Calendar ||
                   control->Kind == TKind::Progress;
        })) {
        EnsureCommonControls();
    }
    for (const auto& control : Components) {
        CreateComponent(*control);
    }
    for (const auto& control : Components) {
        if (control->Layout.Has(u"popupmenu")) {
            control->PopupMenu = &Component(control->Layout.Text(u"popupmenu"));
        }
        BindHandlers(*control);
    }
    LayOut();
}

void TForm::BindHandlers(TControl& control) {
    for (const char16_t* event : {u"onclick", u"ontimer", u"oncreate"}) {
        if (!control.Layout.Has(event)) {
            continue;
        }
        const std::u16string name = control.Layout.Text(event);
        const auto found = Handlers.find(name);
        if (found == Handlers.end()) {
            LayoutError(control.Layout, u"handler " + name + u" is not bound");
        }
        control.OnClick = found->second;
    }
    if (control.Layout.Has(u"onkeyup")) {
        const std::u16string name = control.Layout.Text(u"onkeyup");
        const auto found = KeyHandlers.find(name);
        if (found == KeyHandlers.end()) {
            LayoutError(control.Layout, u"handler " + name + u" is not bound");
        }
        control.OnKeyUp = found->second;
    }
}

void TForm::CreateComponent(TControl& control) {
    const TLayoutRecord& layout = control.Layout;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring text = ToWide(layout.Text(u"text"));
    HWND parent = control.Parent != nullptr && control.Parent->Handle != nullptr
                      ? control.Parent->Handle
                      : Window;
    switch (control.Kind) {
    case TKind::Form: {
        const bool perPixel = layout.Text(u"transparency") == u"true";
        const bool seeThrough = layout.Has(u"opacity");
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        if (!GetClassInfoExW(instance, ClassName.c_str(), &windowClass)) {
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = instance;
            windowClass.hIcon = LoadIconW(instance, L"MAINICON");
            windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            windowClass.hbrBackground = seeThrough ? CreateSolidBrush(ColourKey) : nullptr;
            windowClass.lpszClassName = ClassName.c_str();
            if (RegisterClassExW(&windowClass) == 0) {
                throw Exception(u"RegisterClassExW failed");
            }
        }
        DWORD exStyle = WS_EX_CONTROLPARENT;
        if (perPixel || seeThrough) {
            exStyle |= WS_EX_LAYERED;
        }
        if (layout.Text(u"topmost") == u"true") {
            exStyle |= WS_EX_TOPMOST;
        }
        // A framed window has a title bar, a close box and a task bar entry of its own.
        const DWORD style = layout.Text(u"frame") == u"true"
                                ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
                                : WS_POPUP;
        CreateWindowExW(exStyle, ClassName.c_str(), text.c_str(), style | WS_CLIPCHILDREN, 0, 0,
                        Scaled(layout.Width), Scaled(layout.Height), OwnerWindow, nullptr, instance,
                        this);
        if (Window == nullptr) {
            throw Exception(u"CreateWindowExW failed");
        }
        control.Handle = Window;
        CurrentDpi = WindowDpi(Window);
        if (seeThrough) {
            const double opacity = std::stod(ToUtf8(layout.Text(u"opacity")));
            SetLayeredWindowAttributes(Window, ColourKey,
                                       static_cast<BYTE>(std::lround(opacity * 255)),
                                       LWA_COLORKEY | LWA_ALPHA);
        }
        return;
    }
    case TKind::Panel: {
        static const bool registered = RegisterChildClass(instance, PanelProc, PanelClass);
        (void)registered;
        control.Handle = CreateWindowExW(WS_EX_CONTROLPARENT, PanelClass, text.c_str(),
                                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                         0, 0, 0, 0, parent, nullptr, instance, &control);
        break;
    }
    case TKind::Image: {
        static const bool registered = RegisterChildClass(instance, ImageProc, ImageClass);
        (void)registered;
        control.Handle = CreateWindowExW(0, ImageClass, text.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                                         0, 0, parent, nullptr, instance, &control);
        break;
    }
    case TKind::Label:
        if (Components.front()->Layout.Text(u"transparency") == u"true") {
            static const bool registered =
                RegisterChildClass(instance, ComposedLabelProc, ComposedLabelClass);
            (void)registered;
            control.Handle =
                CreateWindowExW(0, ComposedLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0,
                                0, parent, nullptr, instance, nullptr);
            break;
        }
        // Without SS_NOTIFY a static control is transparent to the mouse.
        control.Handle = CreateWindowExW(0, L"STATIC", text.c_str(),
                                         WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                                         parent, nullptr, instance, nullptr);
        break;
    case TKind::Edit:
        control.Handle =
            CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0,
                            0, parent, nullptr, instance, nullptr);
        break;
    case TKind::Memo:
        control.Handle = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL |
                                             ES_MULTILINE | ES_READONLY,
                                         0, 0, 0, 0, parent, nullptr, instance, nullptr);
        break;
    case TKind::Progress:
        control.Handle = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                         parent, nullptr, instance, nullptr);
        if (control.Handle != nullptr) {
            SendMessageW(control.Handle, PBM_SETRANGE32, 0, layout.Integer(u"range", 100));
        }
        break;
    case TKind::Button: {
        // style=check: a checkbox, which is a button of the system's that keeps its state.
        const DWORD style = layout.Text(u"style") == u"check" ? BS_AUTOCHECKBOX : BS_PUSHBUTTON;
        control.Id = NextId++;
        control.Handle = CreateWindowExW(
            0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 0, 0,
            parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.Id)), instance, nullptr);
        break;
    }
    case TKind::Calendar: {
        control.Handle =
            CreateWindowExW(0, MONTHCAL_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0,
                            parent, nullptr, instance, nullptr);
        if (control.Handle == nullptr) {
            break;
        }
        SYSTEMTIME range[2]{};
        range[0].wYear = static_cast<WORD>(FirstCalendarDay.Year);
        range[0].wMonth = static_cast<WORD>(FirstCalendarDay.Month);
        range[0].wDay = static_cast<WORD>(FirstCalendarDay.Day);
        range[1].wYear = static_cast<WORD>(LastCalendarDay.Year);
        range[1].wMonth = static_cast<WORD>(LastCalendarDay.Month);
        range[1].wDay = static_cast<WORD>(LastCalendarDay.Day);
        SendMessageW(control.Handle, MCM_SETRANGE, GDTR_MIN | GDTR_MAX,
                     reinterpret_cast<LPARAM>(range));
        const std::string day = ToUtf8(layout.Text(u"day"));
        SYSTEMTIME declared{};
        if (std::sscanf(day.c_str(), "%hu-%hu-%hu", &declared.wYear, &declared.wMonth,
                        &declared.wDay) == 3) {
            SendMessageW(control.Handle, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&declared));
        }
        break;
    }
    case TKind::Timer:
        control.Id = NextId++;
        if (SetTimer(Window, control.Id, static_cast<UINT>(layout.Integer(u"interval", 1000)),
                     nullptr) == 0) {
            throw Exception(u"SetTimer failed");
        }
        return;
    case TKind::PopupMenu:
        control.Menu = CreatePopupMenu();
        return;
    case TKind::MenuItem:
        if (control.Parent == nullptr || control.Parent->Menu == nullptr) {
            LayoutError(layout, u"a menu item belongs to a popup menu");
        }
        control.Id = NextId++;
        AppendMenuW(control.Parent->Menu, MF_STRING, control.Id, text.c_str());
        return;
    }
    if (control.Handle == nullptr) {
        LayoutError(layout, u"the window was not created");
    }
    if (control.Kind == TKind::Edit) {
        MakeFilteredEdit(control);
    }
}

namespace {

// A button's text keeps this many logical pixels free on each side.
constexpr int ButtonTextMargin = 8;

HFONT MakeFont(const std::wstring& face, int pixels, bool bold) {
    // Grey-scale smoothing: its coverage is what a layered form composes text with.
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH, face.c_str());
}

// The largest size up to `pixels` at which `text` is at most `width` pixels wide.
int FittingPixels(const std::wstring& face, int pixels, bool bold, const std::wstring& text,
                  int width) {
    HDC screen = GetDC(nullptr);
    for (; pixels > 8; --pixels) {
        HFONT font = MakeFont(face, pixels, bold);
        HGDIOBJ previous = SelectObject(screen, font);
        SIZE extent{};
        GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(screen, previous);
        DeleteObject(font);
        if (extent.cx <= width) {
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

} // namespace

HFONT TForm::FontFor(const TControl& control) {
    // A control's own font, else the nearest parent's.
    const TControl* source = &control;
    while (source != nullptr && !source->Layout.Has(u"font")) {
        source = source->Parent;
    }
    if (source == nullptr) {
        return nullptr;
    }
    const TLayoutRecord& layout = source->Layout;
    const std::wstring face = ChooseFace(layout.Text(u"font"), layout.Text(u"fallback"));
    int pixels = Scaled(layout.Integer(u"size", 12));
    const bool bold = layout.Text(u"bold") == u"true";
    if (control.Kind == TKind::Button) {
        pixels = FittingPixels(face, pixels, bold, ToWide(control.Layout.Text(u"text")),
                               Scaled(control.Layout.Width - 2 * ButtonTextMargin));
    }
    return FontOf(face, pixels, bold);
}

HFONT TForm::FontOf(const std::wstring& face, int pixels, bool bold) {
    const std::wstring key = face + L"/" + std::to_wstring(pixels) + (bold ? L"/b" : L"");
    const auto found = Fonts.find(key);
    if (found != Fonts.end()) {
        return found->second;
    }
    HFONT font = MakeFont(face, pixels, bold);
    Fonts[key] = font;
    return font;
}

void TForm::FitCalendarFont(TControl& calendar, int width, int height) {
    // The month calendar shows as many months as its window holds, each sized by its font: it
    // takes the form's font, made smaller only where one month would not fit the room it has,
    // and a window of one month's size.
    const TControl* source = &calendar;
    while (source != nullptr && !source->Layout.Has(u"font")) {
        source = source->Parent;
    }
    if (source == nullptr) {
        return;
    }
    const std::wstring face =
        ChooseFace(source->Layout.Text(u"font"), source->Layout.Text(u"fallback"));
    int pixels = Scaled(source->Layout.Integer(u"size", 12));
    for (; pixels > 8; --pixels) {
        HFONT probe = MakeFont(face, pixels, false);
        SendMessageW(calendar.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(probe), FALSE);
        RECT month{};
        const BOOL known = static_cast<BOOL>(
            SendMessageW(calendar.Handle, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&month)));
        SendMessageW(calendar.Handle, WM_SETFONT, 0, FALSE);
        DeleteObject(probe);
        if (!known || (month.right - month.left <= width && month.bottom - month.top <= height)) {
            break;
        }
    }
    calendar.Font = FontOf(face, pixels, false);
    SendMessageW(calendar.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(calendar.Font), TRUE);
    RECT month{};
    if (SendMessageW(calendar.Handle, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&month))) {
        SetWindowPos(calendar.Handle, nullptr, 0, 0, month.right - month.left,
                     month.bottom - month.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TForm::LayOut() {
    for (const auto& control : Components) {
        if (control->Kind == TKind::Form) {
            // A framed window's layout gives its client area; the frame comes around it.
            RECT rect{0, 0, Scaled(control->Layout.Width), Scaled(control->Layout.Height)};
            if (control->Layout.Text(u"frame") == u"true") {
                AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongW(Window, GWL_STYLE)),
                                   FALSE, static_cast<DWORD>(GetWindowLongW(Window, GWL_EXSTYLE)));
            }
            SetWindowPos(Window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        if (control->Kind == TKind::Label || control->Kind == TKind::Edit ||
            control->Kind == TKind::Memo || control->Kind == TKind::Button) {
            control->Font = FontFor(*control);
            if (control->Font != nullptr) {
                SendMessageW(control->Handle, WM_SETFONT, reinterpret_cast<WPARAM>(control->Font),
                             FALSE);
            }
        }
        if (control->Handle == nullptr) {
            continue;
        }
        const TLayoutRecord& layout = control->Layout;
        RECT place{Scaled(layout.X), Scaled(layout.Y), Scaled(layout.X) + Scaled(layout.Width),
                   Scaled(layout.Y) + Scaled(layout.Height)};
        if (control->Parent != nullptr && control->Parent->Kind == TKind::Panel) {
            // Inside the panel's border, so that no control paints over it.
            const RECT inner{1, 1, Scaled(control->Parent->Layout.Width) - 1,
                             Scaled(control->Parent->Layout.Height) - 1};
            IntersectRect(&place, &place, &inner);
        }
        SetWindowPos(control->Handle, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (control->Kind == TKind::Calendar && control->Parent != nullptr) {
            // From its place, with the gap on its left kept on the right as well.
            FitCalendarFont(*control, Scaled(control->Parent->Layout.Width) - 2 * place.left,
                            Scaled(control->Parent->Layout.Height) - 1 - place.top);
        }
        control->Picture.reset();
    }
    InvalidateRect(Window, nullptr, TRUE);
}

const TPixels& TForm::PictureOf(TControl& image) {
    if (!image.Picture) {
        // The double-size picture above 100 %, where there is one.
        const bool large = CurrentDpi > 96 && image.Layout.Has(u"picture2x");
        const std::wstring name = ToWide(image.Layout.Text(large ? u"picture2x" : u"picture"));
        image.Picture = LoadFittedPicture(name.c_str(), Scaled(image.Layout.Width),
                                          Scaled(image.Layout.Height));
    }
    return *image.Picture;
}

POINT TForm::ClientOrigin(const TControl& control) const {
    POINT origin{0, 0};
    if (control.Handle != nullptr && control.Handle != Window) {
        MapWindowPoints(control.Handle, Window, &origin, 1);
        return origin;
    }
    for (const TControl* c = &control; c != nullptr && c->Kind != TKind::Form; c = c->Parent) {
        origin.x += Scaled(c->Layout.X);
        origin.y += Scaled(c->Layout.Y);
    }
    return origin;
}

void TForm::AfterConstruction() {
    const TControl& form = *Components.front();
    if (form.OnClick) {
        form.OnClick();
    }
}

void TForm::ShowCentered() {
    RECT rect{};
    GetWindowRect(Window, &rect);
    const TScreenAreas primary = PrimaryScreen();
    const TPoint at =
        PlacedWithin(primary.Screen, primary.Work, rect.right - rect.left, rect.bottom - rect.top);
    Placed = at;
    ShownTicks = GetTickCount64();
    const bool topmost = (GetWindowLongW(Window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(Window, topmost ? HWND_TOPMOST : HWND_TOP, at.X, at.Y, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(Window);
}

TForm* TForm::FromHandle(HWND handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    HWND root = GetAncestor(handle, GA_ROOT);
    return root != nullptr ? static_cast<TForm*>(GetPropW(root, FormProperty)) : nullptr;
}

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TForm* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->Window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        SetPropW(window, FormProperty, form);
    } else {
        form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (!Guarded([&] { result = form->HandleMessage(message, wParam, lParam); })) {
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(window, FormProperty);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->Window = nullptr;
    }
    return result;
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        // Buttons and menu items by their command; IsDialogMessageW's IDOK and IDCANCEL (Enter,
        // Escape) match none of ours, so neither has a window-wide meaning.
        const UINT id = LOWORD(wParam);
        for (const auto& control : Components) {
            if ((control->Kind == TKind::Button || control->Kind == TKind::MenuItem) &&
                control->Id == id && control->OnClick) {
                if (control->Kind == TKind::Button && HIWORD(wParam) != BN_CLICKED) {
                    break;
                }
                control->OnClick();
                return 0;
            }
        }
        return 0;
    }
    case WM_TIMER:
        for (const auto& control : Components) {
            if (control->Kind == TKind::Timer && control->Id == wParam) {
                if (control->OnClick) {
                    control->OnClick();
                }
                return 0;
            }
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        if (WhiteBrush == nullptr) {
            WhiteBrush = CreateSolidBrush(RGB(255, 255, 255));
        }
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(WhiteBrush);
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) != Window) {
            return FALSE;
        }
        if (LOWORD(lParam) != HTCLIENT) {
            break;
        }
        ::SetCursor(CursorHandle(OwnCursor.value_or(TCursor::Default)));
        return TRUE;
    case 0x02E0: { // WM_DPICHANGED
        CurrentDpi = HIWORD(wParam);
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        LayOut();
        Placed = {suggested->left, suggested->top};
        SetWindowPos(Window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        DpiChanged();
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        // Under Wine, a window manager that takes a freshly mapped window over may report a
        // provisional place for it (its frame's, before the frame is moved), and Wine then
        // believes the window is there while the screen shows it where it was put: every
        // click on it misses. A move that nobody here asked for, right after showing, is
        // undone once the messages in hand are handled.
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((position->flags & SWP_NOMOVE) == 0 && GetTickCount64() - ShownTicks < 2000 &&
            (position->x != Placed.X || position->y != Placed.Y)) {
            PostMessageW(Window, PlaceAgainMessage, 0, 0);
        }
        break;
    }
    case WM_CAPTURECHANGED:
        PointerCaptured = false;
        break;
    case PlaceAgainMessage:
        SetWindowPos(Window, nullptr, Placed.X, Placed.Y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    case WM_DESTROY:
        if (Application->MainForm == this) {
            Application->Terminate();
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(Window, message, wParam, lParam);
}

namespace {

LRESULT CALLBACK ImageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TControl* control = ControlOfWindow(window, message, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT rect;
        GetClientRect(window, &rect);
        FillRectColour(dc, rect, RGB(255, 255, 255));
        Guarded([&] {
            const TPixels& pixels = control->Owner->PictureOf(*control);
            const TFitted at = FitInto(pixels.Width, pixels.Height, rect.right, rect.bottom);
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = pixels.Width;
            info.bmiHeader.biHeight = -pixels.Height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (bitmap == nullptr) {
                return;
            }
            std::copy(pixels.Data.begin(), pixels.Data.end(), static_cast<std::uint32_t*>(bits));
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            GdiAlphaBlend(dc, at.X, at.Y, pixels.Width, pixels.Height, memory, 0, 0, pixels.Width,
                          pixels.Height, blend);
            SelectObject(memory, previous);
            DeleteDC(memory);
            DeleteObject(bitmap);
        });
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) != window) {
            return FALSE;
        }
        ::SetCursor(CursorHandle(control != nullptr && control->Cursor ? *control->Cursor
                                                                       : TCursor::Default));
        return TRUE;
    case WM_RBUTTONDOWN:
        if (control != nullptr && control->PopupMenu != nullptr) {
            // The menu at the pointer; its choice arrives at the form as a command. The window
            // must be in the foreground, or the menu would not close when clicked elsewhere.
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(window, &at);
            HWND form = GetAncestor(window, GA_ROOT);
            SetForegroundWindow(form);
            // Entries are chosen with the left button or the keyboard: the release of the
            // pressing right button, which comes while the menu opens under the pointer, must
            // not end it (it does under Wine when the right button may choose).
            TrackPopupMenu(control->PopupMenu->Menu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                           form, nullptr);
            PostMessageW(form, WM_NULL, 0, 0);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace
