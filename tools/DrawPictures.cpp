// pelwick_draw: writes the cigarette picture and the icons into a resources folder.
//
//     pelwick_draw <resources folder>
//
// The output is the same on every run, so the committed files can be checked against it.

#include "Pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "pelwick_draw: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // The raster paint engine needs no window system; keep the tool usable on a bare server.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelwick_draw <resources folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    if (!root.mkpath("images") || !root.mkpath("icons")) {
        std::fprintf(stderr, "pelwick_draw: cannot create folders in %s\n", argv[1]);
        return 1;
    }
    bool ok = Save(pictures::DrawCigarette(1), root.filePath("images/cigarette.png"));
    ok = Save(pictures::DrawCigarette(2), root.filePath("images/cigarette@2x.png")) && ok;
    for (const int size : {16, 32, 48, 128, 256}) {
        ok = Save(pictures::DrawIcon(size),
                  root.filePath(QStringLiteral("icons/pelwick-%1.png").arg(size))) &&
             ok;
    }
    QFile ico(root.filePath("pelwick.ico"));
    const QByteArray icoData =
        pictures::EncodeIco({pictures::DrawIcon(16), pictures::DrawIcon(32)});
    if (!ico.open(QIODevice::WriteOnly) || ico.write(icoData) != icoData.size() || !ico.flush()) {
        std::fprintf(stderr, "pelwick_draw: cannot write %s\n", qPrintable(ico.fileName()));
        ok = false;
    }
    return ok ? 0 : 1;
}
