#include "framework/Image.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

void UseNamedFormat(QImageReader& reader) {
    reader.setFormat(QFileInfo(reader.fileName()).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
}

// The file of the same name beside `path`, with `ending` in place of the suffix.
QString Beside(const QString& path, const QString& ending) {
    const QFileInfo file(path);
    return file.path() + '/' + file.completeBaseName() + ending;
}

// The decoded twin as tools/DecodePicture.cpp writes it: width and height as two 32-bit
// numbers, then the premultiplied rows. With `pixels` null only the size is read.
QSize ReadDecoded(const QString& path, QImage* pixels) {
    QFile decoded(Beside(path, QStringLiteral(".argb")));
    std::uint32_t size[2] = {};
    if (!decoded.open(QIODevice::ReadOnly) ||
        decoded.read(reinterpret_cast<char*>(size), sizeof size) != sizeof size || size[0] == 0 ||
        size[1] == 0 || size[0] > 0x4000 || size[1] > 0x4000 ||
        decoded.size() != qint64(sizeof size) + qint64(size[0]) * size[1] * 4) {
        return {};
    }
    const QSize found{int(size[0]), int(size[1])};
    if (pixels != nullptr) {
        QImage image(found, QImage::Format_ARGB32_Premultiplied);
        const qint64 row = qint64(found.width()) * 4;
        for (int y = 0; y < found.height(); ++y) {
            if (decoded.read(reinterpret_cast<char*>(image.scanLine(y)), row) != row) {
                return {};
            }
        }
        *pixels = std::move(image);
    }
    return found;
}

} // namespace

QImage ReadPicture(const QString& path) {
    QImage image;
    if (ReadDecoded(path, &image).isValid()) {
        return image;
    }
    QImageReader reader(path);
    UseNamedFormat(reader);
    return reader.read();
}

QSize PictureSize(const QString& path) {
    const QSize decoded = ReadDecoded(path, nullptr);
    if (decoded.isValid()) {
        return decoded;
    }
    // The size from the header alone.
    QImageReader reader(path);
    UseNamedFormat(reader);
    return reader.size();
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    // Its own arrow, so that the form's cursor property never shows through it.
    setCursor(Qt::ArrowCursor);
    // The menu opens on the press itself; Qt's separate context-menu event would open it twice.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void TImage::setSource(const QString& path) {
    SourcePath = path;
    Pictures[0] = Pictures[1] = QPixmap();
    // Only the size: the picture is read at the first paint.
    SourceSize = PictureSize(path);
    update();
}

const QPixmap& TImage::PictureFor(qreal devicePixelRatio) const {
    // Above 1x the picture drawn at twice the size, "name@2x.png" beside "name.png", where
    // there is one; each is decoded at its first use.
    const bool large = devicePixelRatio > 1;
    QPixmap& picture = Pictures[large ? 1 : 0];
    if (picture.isNull()) {
        const QString at2x = Beside(SourcePath, "@2x." + QFileInfo(SourcePath).suffix());
        const QString path = large && QFileInfo::exists(at2x) ? at2x : SourcePath;
        picture = QPixmap::fromImage(ReadPicture(path));
    }
    return picture;
}

QRectF TImage::FittedRect(const QSizeF& picture, const QSizeF& size) {
    if (picture.isEmpty() || size.isEmpty()) {
        return {};
    }
    const qreal scale = std::min(size.width() / picture.width(), size.height() / picture.height());
    const QSizeF fitted = picture * scale;
    return {(size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2,
            fitted.width(), fitted.height()};
}

void TImage::Draw(QPainter& painter, const QSizeF& size, qreal devicePixelRatio) const {
    const QRectF target = FittedRect(SourceSize, size);
    if (target.isEmpty()) {
        return;
    }
    // The source rectangle is in the pixmap's own pixels, whatever its size.
    const QPixmap& pixmap = PictureFor(devicePixelRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter, size(), devicePixelRatioF());
}

QImage TImage::Rendered(const QSize& size, qreal devicePixelRatio) const {
    QImage image(QSizeF(size * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Draw(painter, size, devicePixelRatio);
    return image;
}

void TImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && PopupMenu != nullptr) {
        PopupMenu->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}
