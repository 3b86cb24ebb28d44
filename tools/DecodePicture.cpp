// pelwick_decode: writes a picture already decoded, for the program to read without a decoder.
//
//     pelwick_decode <picture.png> <picture.argb>
//
// The output is the width and the height as two 32-bit numbers, then the rows of premultiplied
// ARGB32 pixels without padding, all in the byte order of the building machine, which is the
// program's (see ReadPicture in src/qt/framework/Image.h).

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelwick_decode <picture.png> <picture.argb>\n");
        return 2;
    }
    const QImage image = QImage(QString::fromLocal8Bit(argv[1]))
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "pelwick_decode: cannot read %s\n", argv[1]);
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "pelwick_decode: cannot write %s\n", argv[2]);
        return 1;
    }
    const std::uint32_t size[2] = {static_cast<std::uint32_t>(image.width()),
                                   static_cast<std::uint32_t>(image.height())};
    bool ok = out.write(reinterpret_cast<const char*>(size), sizeof size) == sizeof size;
    const qsizetype row = qsizetype(image.width()) * 4;
    for (int y = 0; ok && y < image.height(); ++y) {
        ok = out.write(reinterpret_cast<const char*>(image.constScanLine(y)), row) == row;
    }
    if (!ok || !out.flush()) {
        std::fprintf(stderr, "pelwick_decode: cannot write %s\n", argv[2]);
        out.remove();
        return 1;
    }
    return 0;
}
