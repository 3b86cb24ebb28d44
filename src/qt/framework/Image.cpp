#include "framework/Image.h"

#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    // Its own arrow, so that the form's cursor property never shows through it.
    setCursor(Qt::ArrowCursor);
    // The menu opens on the press itself; Qt's separate context-menu event would open it twice.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void TImage::setSource(const QString& path) {
    SourcePath = path;
    Picture = QIcon(path);
    PictureSize = QPixmap(path).size();
    update();
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
    const QRectF target = FittedRect(PictureSize, size);
    if (target.isEmpty()) {
        return;
    }
    const QPixmap pixmap = Picture.pixmap(PictureSize, devicePixelRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()));
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter, size(), devicePixelRatioF());
}

QImage TImage::Rendered(const QSize& size) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Draw(painter, size, 1);
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
