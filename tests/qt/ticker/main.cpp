// The GUI tests' main: Qt's offscreen platform, the program's start-up settings, and a
// QApplication that the application object then adopts as its own.

#include "conversions/StartupSettings.h"
#include "framework/Application.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    InitializeStartupSettings();
    QApplication app(argc, argv);
    Application->Initialize();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
