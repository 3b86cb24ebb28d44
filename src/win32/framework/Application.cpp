#include "framework/Application.h"

#include "app/MessageText.h"
#include "framework/Form.h"
#include "framework/Guard.h"
#include "framework/Text.h"

namespace {
TApplication TheApplication;

// The windows a modal showing disables, all but the one it shows.
struct TDisabling {
    HWND Shown;
    std::vector<HWND> Windows;
};

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
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(Title).c_str(),
                MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
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
}
