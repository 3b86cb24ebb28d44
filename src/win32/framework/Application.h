#pragma once

// The application object: records the windows to create, creates them when its message loop
// starts, makes the first one the visible main window, runs the loop until it is terminated,
// and reports failures in the message box.

#include "runtime/Exceptions.h"

#include <windows.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

class TForm;

class TApplication {
public:
    TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // Kept for the start-up order; the program needs nothing prepared before its windows.
    void Initialize();

    // Records the pair; Run creates the window, `variable` holding it while it is constructed.
    template <typename T> void CreateForm(T*& variable) {
        Recorded.push_back([this, &variable]() -> TForm* {
            variable = static_cast<T*>(::operator new(sizeof(T)));
            try {
                new (variable) T(this);
            } catch (...) {
                ::operator delete(variable);
                variable = nullptr;
                throw;
            }
            return variable;
        });
    }

    // Creates the recorded windows, shows the first as the main window, and takes messages
    // until Terminate.
    void Run();

    // A failure that left a handler: an EAbort is dropped, anything else shown.
    void HandleException(const Exception& e);
    // The message box with the innermost message and the full-stop rule.
    void ShowException(const Exception& e);
    // The message box with `text` as it stands.
    void ShowMessage(const std::u16string& text);
    bool MessageBoxShowing() const { return OpenMessageBoxes > 0; }

    // `form` shown until its ModalResult is set, the program's other windows disabled meanwhile;
    // returns the result. A quit request ends it with 2 and is passed on.
    int ShowModal(TForm& form);

    // One message, as every loop of ours handles it.
    static void ProcessMessage(MSG& message);
    // The messages waiting now, then returns.
    void ProcessMessages();

    void Terminate();
    // Destroys the windows it created.
    void DestroyComponents();

    // A window that is never shown, made at the first call: the owner of a window that is to
    // take the keyboard when shown while it stays off the task bar and below the top-most
    // ticker. Unowned, a tool window is not given the focus by some window managers (openbox,
    // under Wine); owned by the ticker, it would lie above it.
    HWND HiddenOwner();

    std::u16string Title; // never set: empty
    TForm* MainForm = nullptr;
    bool Terminated = false;

private:
    std::vector<std::function<TForm*()>> Recorded;
    std::vector<TForm*> Components;
    int OpenMessageBoxes = 0;
    HWND Owner = nullptr;
};

extern TApplication* Application;
