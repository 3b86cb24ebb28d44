#pragma once

// The thin layer over Qt that the windows stand on: the application object, the message box,
// the guard that keeps exceptions out of Qt's event loop, and the window helpers shared by the
// ticker and the wizard.

#include "app/Geometry.h"
#include "runtime/Exceptions.h"

#include <QMouseEvent>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

class QApplication;

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Chooses the window system, creates the QApplication unless one exists (the tests make
    // their own), and keeps the loop running when the last normal window closes: the ticker is
    // a tool window, which Qt does not count, and the wizard is only hidden between showings.
    void Initialize();

    // Records a window for creation; Run creates it before the loop takes its first message.
    // `reference` holds the new window while its constructor and FormCreate run, and is null
    // again when its construction fails.
    template <typename T> void CreateForm(T*& reference) {
        Recorded.push_back([this, &reference] { CreateRecorded(reference); });
    }

    // Creates the recorded windows, makes the first the visible MainForm, runs the loop until
    // Terminate. Exceptions from the construction leave Run.
    void Run();

    // EAbort is dropped; anything else is shown with ShowException.
    void HandleException(const Exception& e);
    // The innermost non-empty message of the chain, a full stop added when the last character
    // sorts after '.', in the modal message box.
    void ShowException(const Exception& e);
    // Sets the terminated flag and ends every running loop; Run does not start a loop once set.
    void Terminate();
    bool IsTerminated() const { return Terminated; }

    // Destroys the windows Run created (each reference becomes null again), then the
    // QApplication that Initialize created. The entry function calls it after Run.
    void DestroyComponents();

    QWidget* MainForm = nullptr;
    std::u16string Title; // never set: the message box has an empty title

private:
    template <typename T> void CreateRecorded(T*& reference);
    void Adopt(QWidget* form, std::function<void()> forget);
    void Disown(QWidget* form);
    // The first window created becomes the visible main window.
    void Created(QWidget* form);

    struct TOwned {
        QWidget* Form;
        std::function<void()> Forget;
    };

    std::vector<std::function<void()>> Recorded;
    std::vector<TOwned> Owned;
    std::unique_ptr<QApplication> OwnedApplication;
    bool Terminated = false;
};

template <typename T> void TApplication::CreateRecorded(T*& reference) {
    // The reference holds the window from before its constructor runs, so that whatever the
    // constructor and FormCreate trigger already finds it.
    void* storage = ::operator new(sizeof(T));
    reference = static_cast<T*>(storage);
    T* form = nullptr;
    try {
        form = new (storage) T(this);
    } catch (...) {
        reference = nullptr;
        ::operator delete(storage);
        throw;
    }
    Adopt(form, [&reference] { reference = nullptr; });
    // The creation notification is the last act of construction.
    if constexpr (requires { form->FormCreate(form); }) {
        try {
            form->FormCreate(form);
        } catch (...) {
            Disown(form);
            reference = nullptr;
            delete form;
            throw;
        }
    }
    Created(form);
}

extern TApplication* Application;

// The modal message box: empty title, the text left-aligned and wrapped, one button "OK",
// centred on the screen. Returns when the user closes it.
void ShowMessageBox(const std::u16string& text);

// Whether one of our message boxes is open at the moment (its nested loop is running).
bool MessageBoxShowing();

// Runs a handler so that no exception crosses Qt's event loop: an Exception goes to
// Application->HandleException, anything else becomes an Exception with an empty message.
template <typename F> void Guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
    } catch (const Exception& e) {
        Application->HandleException(e);
    } catch (...) {
        Application->HandleException(Exception(u""));
    }
}

// Places a window at ((screen - size) / 2) of the primary screen, halves to even, moved just
// far enough to lie within the screen's free area (less task bars and panels) where it would
// reach beyond it.
void CenterOnPrimaryScreen(QWidget* window);

// Where the window manager, mapping a window of fixed size that exists already, puts it elsewhere
// than it now is or at another size (i3 floats it below a title bar it would add), asks once more
// for its place and size as the window is exposed.
void CheckPlacementWhenExposed(QWidget* window);

// A rectangle of Qt's as the app layer's geometry takes it.
TRect ToRect(const QRect& rect);

// The factor by which a window of `size` is drawn so that it fits the primary screen's free
// area: 1 where it fits as it is.
double FitFactorOnPrimaryScreen(QSize size);

// Qt's shape for a cursor value.
Qt::CursorShape QtCursor(TCursor cursor);

// Where no compositing manager draws per-pixel transparency (X11 without one), clips the
// window to `shape` so that the desktop still shows around it; elsewhere does nothing.
void ApplyShapeWithoutCompositor(QWidget* window, const QRegion& shape);

// Window-level mouse notifications: the window's handlers see every press, move and release
// over the window and any of its children before the child does. Positions are in the
// window's client coordinates.
struct TFormMouseHandlers {
    std::function<void(Qt::MouseButton button, Qt::MouseButtons held, float x, float y)> Down;
    std::function<void(Qt::MouseButtons held, float x, float y)> Move;
    std::function<void(Qt::MouseButton button, Qt::MouseButtons held, float x, float y)> Up;
};
void InstallFormMouseHandlers(QWidget* form, TFormMouseHandlers handlers);
