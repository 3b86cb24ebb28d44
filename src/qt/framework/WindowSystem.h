#pragma once

// What differs between window systems, one implementation file per platform.

#include <functional>

class QWidget;

// Before the QApplication exists: on a Wayland session, runs through XWayland where there is
// one, since Wayland lets no client stay on top, leave the task bar or choose its place.
void ChooseWindowSystem();

// Once the QApplication exists: where the program runs natively on Wayland all the same, says
// once on standard error what the ticker loses there and how to get it back.
void NoteNativeWayland();

// Once the QApplication exists: a session that ends (SIGTERM, SIGINT, SIGHUP) ends the program
// as "Beenden" does, and a display connection that breaks ends it at once with exit code 0,
// without touching windows or settings over the dead connection.
void EndWithTheSession();

// Keeps a window off the task bar and out of task switching, without moving, resizing or
// re-stacking it. Called once, before the window is first shown.
void MakeToolWindow(QWidget* window);

// Whether the window manager is known to carry out none of a window's own moves: such a window
// moves only when the window manager is asked to move it (QWindow::startSystemMove).
bool WindowManagerIgnoresMoves();

// Whether the window system draws per-pixel transparency (a compositing manager runs).
bool CompositorRunning();

// Calls `changed` with CompositorRunning() whenever a compositing manager starts or stops, for as
// long as `window` lives; `running` is what CompositorRunning() said last. Costs no wake-up while
// nothing changes.
void FollowCompositor(QWidget* window, bool running, std::function<void(bool running)> changed);
