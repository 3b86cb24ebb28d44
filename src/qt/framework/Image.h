#pragma once

// An image control: shows a picture scaled to fit its rectangle with the picture's
// proportions, centred, and opens its context menu on a right-button press.

#include <QIcon>
#include <QWidget>

class QMenu;

class TImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString source READ Source WRITE setSource)

public:
    explicit TImage(QWidget* parent = nullptr);

    // A resource path; QIcon picks the @2x file on scaled screens.
    QString Source() const { return SourcePath; }
    void setSource(const QString& path);

    void SetPopupMenu(QMenu* menu) { PopupMenu = menu; }

    // The rectangle the picture covers inside a control of `size` (fit, centred).
    static QRectF FittedRect(const QSizeF& picture, const QSizeF& size);
    // The picture as drawn into a control of `size`, for a window shape.
    QImage Rendered(const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Draw(QPainter& painter, const QSizeF& size, qreal devicePixelRatio) const;

    QString SourcePath;
    QIcon Picture;
    QSize PictureSize;
    QMenu* PopupMenu = nullptr;
};
