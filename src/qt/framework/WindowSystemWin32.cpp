#include "framework/Application.h"
#include "framework/WindowSystem.h"

#include "app/ToolWindow.h"

#include <QWidget>

void ChooseWindowSystem() {}

void MakeToolWindow(QWidget* window) {
    ApplyToolWindowStyle(reinterpret_cast<void*>(window->winId()));
}

// Desktop composition draws layered windows on every supported Windows.
bool CompositorRunning() {
    return true;
}

void ApplyShapeWithoutCompositor(QWidget*, const QRegion&) {}
