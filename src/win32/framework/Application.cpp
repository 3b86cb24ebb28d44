#include "framework/Application.h"

#include "app/MessageText.h"
#include "framework/CommonControls.h"
#include "framework/Form.h"
#include "framework/Guard.h"
#include "framework/Text.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>

namespace {
TApplication TheApplication;

// The windows a modal showing disables, all but the one it shows.
struct TDisabling {
    HWND Shown;
    std::vector<HWND> Windows;
};

// A message box too large for the work area (a long text at a large scale) is drawn smaller as
// a whole: its font, its controls and itself by one factor, then placed within the work area.
HFONT FittedBoxFont = nullptr;

BOOL CALLBACK ScaleBoxControl(HWND control, LPARAM data) {
    const double factor = *reinterpret_cast<const double*>(data);
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    const auto times = [factor](LONG length) { return static_cast<int>(length * factor); };
    SetWindowPos(control, nullptr, times(rect.left), times(rect.top), times(rect.right - rect.left),
                 times(rect.bottom - rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FittedBoxFont), TRUE);
    return TRUE;
}

void FitBox(HWND box) {
    RECT outer{};
    GetWindowRect(box, &outer);
    const TScreenAreas primary = PrimaryScreen();
    const double factor =
        FitFactor(primary.Work, outer.right - outer.left, outer.bottom - outer.top);
    RECT client{};
    GetClientRect(box, &client);
    const int frameWidth = (outer.right - outer.left) - client.right;
    const int frameHeight = (outer.bottom - outer.top) - client.bottom;
    if (factor < 1.0 && FittedBoxFont == nullptr) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        font.lfHeight = static_cast<LONG>(font.lfHeight * factor);
        font.lfWidth = 0;
        FittedBoxFont = CreateFontIndirectW(&font);
        double scale = factor;
        EnumChildWindows(box, ScaleBoxControl, reinterpret_cast<LPARAM>(&scale));
        client.right = static_cast<LONG>(client.right * factor);
        client.bottom = static_cast<LONG>(client.bottom * factor);
    }
    const int width = std::min(static_cast<int>(client.right) + frameWidth, primary.Work.Width);
    const int height = std::min(static_cast<int>(client.bottom) + frameHeight, primary.Work.Height);
    const TPoint at = PlacedWithin(primary.Screen, primary.Work, width, height);
    SetWindowPos(box, nullptr, at.X, at.Y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The box lays itself out when it initialises; it is fitted right after.
LRESULT CALLBACK FitBoxAfterLayout(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR) {
    if (message == WM_INITDIALOG) {
        const LRESULT result = DefSubclass(box, message, wParam, lParam);
        FitBox(box);
        return result;
    }
    if (message == WM_NCDESTROY) {
        RemoveSubclass(box, FitBoxAfterLayout, 1);
    }
    return DefSubclass(box, message, wParam, lParam);
}

LRESULT CALLBACK WatchForBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t name[16] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16);
        if (std::wstring_view(name) == L"#32770") {
            SetSubclass(reinterpret_cast<HWND>(wParam), FitBoxAfterLayout, 1, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK NoteWindowToDisable(HWND window, LPARAM data) {
    auto* disabling = reinterpret_cast<TDisabling*>(data);
    if (window != disabling->Shown && IsWindowVisible(window) && IsWindowEnabled(window)) {
        disabling->Windows.push_back(window);
    }
    return TRUE;
}
} // namespace

TApplication* Application = &TheApplication;

bool Guarded(const std::function<void()>& work) noexcept {
    try {
        try {
            work();
            return true;
        } catch (const Exception& e) {
            Application->HandleException(e);
        } catch (...) {
            // Anything else is shown as a failure without text.
            Application->HandleException(Exception(u""));
        }
    } catch (...) {
        // Reporting failed as well (out of memory): nothing more can be done here.
    }
    return false;
}

TApplication::~TApplication() {
    DestroyComponents();
}

HWND TApplication::HiddenOwner() {
    if (Owner == nullptr || !IsWindow(Owner)) {
        // A top-level window, not a message-only one: only such a window can own another.
        Owner = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    return Owner;
}

void TApplication::Initialize() {
    // Nothing to prepare: the pictures need no decoder, and the common controls are loaded by
    // what first needs them (EnsureCommonControls).
}

void TApplication::Run() {
    for (const auto& create : Recorded) {
        TForm* form = create();
        Components.push_back(form);
        form->AfterConstruction();
        if (MainForm == nullptr) {
            MainForm = form;
            form->ShowCentered();
        }
    }
    Recorded.clear();
    MSG message;
    while (!Terminated) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        ProcessMessage(message);
    }
    Terminated = true;
}

void TApplication::ProcessMessage(MSG& message) {
    TForm::PreviewMessage(message);
    TForm* form = TForm::FromHandle(message.hwnd);
    if (form != nullptr && form->KeyboardNavigation && IsDialogMessageW(form->Handle(), &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void TApplication::ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            Terminated = true;
            break;
        }
        ProcessMessage(message);
    }
}

int TApplication::ShowModal(TForm& form) {
    form.ModalResult = 0;
    HWND previous = GetActiveWindow();
    // The program's other windows take no input while the form is shown: every visible
    // top-level window of this thread, not only the forms this object created.
    TDisabling disabling{form.Handle(), {}};
    EnumThreadWindows(GetCurrentThreadId(), NoteWindowToDisable,
                      reinterpret_cast<LPARAM>(&disabling));
    const std::vector<HWND>& disabled = disabling.Windows;
    for (HWND window : disabled) {
        EnableWindow(window, FALSE);
    }
    form.ShowCentered();
    MSG message;
    while (form.ModalResult == 0) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // Passed on to the loop outside.
            PostQuitMessage(static_cast<int>(message.wParam));
            form.ModalResult = 2;
            break;
        }
        if (got == -1) {
            form.ModalResult = 2;
            break;
        }
        ProcessMessage(message);
    }
    for (HWND window : disabled) {
        EnableWindow(window, TRUE);
    }
    // As a dialog box ends: the window that was active before is made active again before the
    // form hides, so that the keyboard goes back to it, not to no window at all.
    if (previous != nullptr && previous != form.Handle() && IsWindow(previous)) {
        SetActiveWindow(previous);
    }
    if (form.Handle() != nullptr) {
        ShowWindow(form.Handle(), SW_HIDE);
    }
    return form.ModalResult;
}

void TApplication::HandleException(const Exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) {
        return;
    }
    ShowException(e);
}

void TApplication::ShowException(const Exception& e) {
    ShowMessage(ExceptionMessageText(e));
}

void TApplication::ShowMessage(const std::u16string& text) {
    // Without an owner the box is centred on the screen; task-modal, so that the program's
    // windows take no input until it is closed.
    ++OpenMessageBoxes;
    // The box's buttons are common controls, and its fitting subclasses it through them.
    HHOOK fitting = EnsureCommonControls()
                        ? SetWindowsHookExW(WH_CBT, WatchForBox, nullptr, GetCurrentThreadId())
                        : nullptr;
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(Title).c_str(),
                MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    if (fitting != nullptr) {
        UnhookWindowsHookEx(fitting);
    }
    if (FittedBoxFont != nullptr) {
        DeleteObject(FittedBoxFont);
        FittedBoxFont = nullptr;
    }
    --OpenMessageBoxes;
}

void TApplication::Terminate() {
    Terminated = true;
    PostQuitMessage(0);
}

void TApplication::DestroyComponents() {
    MainForm = nullptr;
    while (!Components.empty()) {
        TForm* form = Components.back();
        Components.pop_back();
        delete form;
    }
    if (Owner != nullptr) {
        DestroyWindow(Owner);
        Owner = nullptr;
    }
}
