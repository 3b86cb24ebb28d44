#include "Unitsetting.h"
#include "WizardFixture.h"
#include "conversions/StartupSettings.h"

#include <QApplication>

#include <gtest/gtest.h>

QString WizardTest::SandboxRoot;

int main(int argc, char** argv) {
    // The wizard's behaviour is tested without a display; the screenshots come from a real one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    InitializeStartupSettings();
    QApplication app(argc, argv);
    Setting = new TSetting();
    // Each test gets its own hive below the sandbox the test runner gives this program.
    WizardTest::SandboxRoot = qEnvironmentVariable("XDG_CONFIG_HOME");
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    delete Setting;
    Setting = nullptr;
    return result;
}
