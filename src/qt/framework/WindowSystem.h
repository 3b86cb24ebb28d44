#pragma once

// What differs between window systems, one implementation file per platform.

class QWidget;

// Before the QApplication exists: on a Wayland session, runs through XWayland unless the user
// chose a platform, since Wayland lets no client stay on top or leave the task bar.
void ChooseWindowSystem();

// Keeps a window off the task bar and out of task switching, without moving, resizing or
// re-stacking it. Called once, before the window is first shown.
void MakeToolWindow(QWidget* window);

// Whether the window system draws per-pixel transparency (a compositing manager runs).
bool CompositorRunning();
