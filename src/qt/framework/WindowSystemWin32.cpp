#include "framework/Application.h"
#include "framework/WindowSystem.h"

#include "app/ToolWindow.h"

#include <QWidget>

void ChooseWindowSystem() {}

void NoteNativeWayland() {}

// Windows ends a program at log-off through its windows, as "Beenden" does.
void EndWithTheSession() {}

void MakeToolWindow(QWidget* window) {
    ApplyToolWindowStyle(reinterpret_cast<void*>(window->winId()));
}

// Windows carries out a window's own moves.
bool WindowManagerIgnoresMoves() {
    return false;
}

// Desktop composition draws layered windows on every supported Windows.
bool CompositorRunning() {
    return true;
}

void FollowCompositor(QWidget*, bool, std::function<void(bool)>) {}

void ApplyShapeWithoutCompositor(QWidget*, const QRegion&) {}
