#include "Unitsetting.h"
#include "WizardFixture.h"
#include "conversions/StartupSettings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

QString WizardTest::SandboxRoot;

int main(int argc, char** argv) {
    // The wizard's behaviour is tested without a display; the screenshots come from a real one.
    // A screen of PELWICK_TEST_SCREEN pixels (1920x1080 unless given); the scale is Qt's own
    // QT_SCALE_FACTOR.
    QTemporaryDir screenFolder;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QStringList size =
            qEnvironmentVariable("PELWICK_TEST_SCREEN", QStringLiteral("1920x1080")).split('x');
        QFile screens(screenFolder.filePath(QStringLiteral("screens.json")));
        if (size.size() != 2 || !screens.open(QIODevice::WriteOnly)) {
            return 2;
        }
        screens.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, )"
                                     R"("width": %1, "height": %2, "logicalDpi": 96}]})")
                          .arg(size[0], size[1])
                          .toUtf8());
        screens.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toUtf8());
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
