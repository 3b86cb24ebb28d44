#pragma once

// An image control: shows a picture scaled to fit its rectangle with the picture's
// proportions, centred, and opens its context menu on a right-button press.

#include <QPixmap>
#include <QWidget>

class QImage;
class QMenu;

// A picture and its size, from "name.argb" beside "name.png" where the build put one (already
// decoded, so nothing is decoded before the ticker maps), else from the file by the format its
// suffix names and no other: Qt would otherwise load every image plugin at the first read to
// ask each whether it reads that format.
QImage ReadPicture(const QString& path);
QSize PictureSize(const QString& path);

class TImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString source READ Source WRITE setSource)

public:
    explicit TImage(QWidget* parent = nullptr);

    // A resource path; on scaled screens the "@2x" file beside it is drawn.
    QString Source() const { return SourcePath; }
    void setSource(const QString& path);

    void SetPopupMenu(QMenu* menu) { PopupMenu = menu; }

    // The rectangle the picture covers inside a control of `size` (fit, centred).
    static QRectF FittedRect(const QSizeF& picture, const QSizeF& size);
    // The picture as drawn into a control of `size` (device-independent pixels) on a screen of
    // `devicePixelRatio`: for a window shape, and to see what a scaled screen shows.
    QImage Rendered(const QSize& size, qreal devicePixelRatio = 1) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Draw(QPainter& painter, const QSizeF& size, qreal devicePixelRatio) const;
    const QPixmap& PictureFor(qreal devicePixelRatio) const;

    QString SourcePath;
    mutable QPixmap Pictures[2]; // 1x and 2x, each decoded at its first use
    QSize SourceSize;
    QMenu* PopupMenu = nullptr;
};
