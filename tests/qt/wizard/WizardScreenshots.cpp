// Shows the wizard on each of its six pages on a real display and saves a picture of the
// screen around it, so that its look can be checked by eye:
//
//     wizard_screenshots <folder>      writes <folder>/wizard-1.png ... wizard-6.png
//
// Run it on an X display with a window manager (and a compositor, to see the desktop through
// the window). The figures come from a private, temporary hive; nothing is stored for good.

#include "Unitsetting.h"
#include "Unitsetup.h"
#include "conversions/StartupSettings.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wizard_screenshots <folder>\n");
        return 2;
    }
    InitializeStartupSettings();
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    Setting = new TSetting();
    Setting->SetUserName(u"Anna");
    Setting->SetUserDOB(u"1980");
    Setting->SetCigConsQty(20);
    Setting->SetCigBoxPrice(4.5f);
    Setting->SetCigBoxQty(19);

    QWidget owner;
    TFormSetup form(&owner);
    int page = 0;
    bool saved = true;
    // A simple compositor may blend a see-through window's changed parts over its own last
    // picture instead of over the desktop, leaving traces of the previous page; covering the
    // area for a moment makes it draw the whole area afresh.
    // In the desktop's colour, so that what the window lets through shows in the picture.
    QWidget cover(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    cover.setStyleSheet("background: #3d6484;");
    std::function<void()> shoot = [&] {
        QTimer::singleShot(500, &form, [&] {
            cover.setGeometry(form.frameGeometry().adjusted(-24, -24, 24, 24));
            cover.show();
        });
        QTimer::singleShot(800, &form, [&] { cover.hide(); });
        // Long enough for the window manager and the compositor to have drawn it.
        QTimer::singleShot(1300, &form, [&] {
            const QRect area = form.frameGeometry().adjusted(-24, -24, 24, 24);
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
                0, area.x(), area.y(), area.width(), area.height());
            const QString file = folder + QString("/wizard-%1.png").arg(++page);
            saved = shot.save(file) && saved;
            std::printf("%s\n", qPrintable(file));
            if (page == 6) {
                form.close();
            } else {
                form.ButtonNext->click();
                shoot();
            }
        });
    };
    QTimer::singleShot(0, &form, shoot);
    form.ShowModal();
    return saved ? 0 : 1;
}
