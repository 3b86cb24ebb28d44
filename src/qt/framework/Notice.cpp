#include "framework/Notice.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace {

constexpr int BalloonMilliseconds = 20000;

// A small frameless window like a tooltip; a click anywhere on it is the notice's click.
class TNoticeBalloon final : public QFrame {
public:
    TNoticeBalloon(const QString& title, const QString& text, std::function<void()> clicked)
        : QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          Clicked(std::move(clicked)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setWindowTitle(title);
        setFrameShape(QFrame::Box);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::ToolTipBase);
        setForegroundRole(QPalette::ToolTipText);
        auto* layout = new QVBoxLayout(this);
        auto* heading = new QLabel(title, this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        auto* body = new QLabel(text, this);
        body->setWordWrap(true);
        body->setFixedWidth(body->fontMetrics().averageCharWidth() * 40);
        layout->addWidget(heading);
        layout->addWidget(body);
        QTimer::singleShot(BalloonMilliseconds, this, &QWidget::close);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        // Closed first: the click may open a window that should come above it.
        const std::function<void()> clicked = Clicked;
        close();
        if (clicked) {
            clicked();
        }
    }

private:
    std::function<void()> Clicked;
};

// Below the ticker, or above it where the screen ends first; within the screen's width.
QPoint BalloonPosition(const QWidget* ticker, QSize size) {
    const QRect at = ticker->frameGeometry();
    const QScreen* screen = ticker->screen() ? ticker->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    int x = at.center().x() - size.width() / 2;
    x = std::max(area.left(), std::min(x, area.right() + 1 - size.width()));
    int y = at.bottom() + 1;
    if (y + size.height() > area.bottom() + 1) {
        y = at.top() - size.height();
    }
    return {x, y};
}

QPointer<TNoticeBalloon> Shown;

} // namespace

void ShowNotice(QWidget* ticker, const QString& title, const QString& text,
                std::function<void()> clicked) {
    if (SendDesktopNotice(title, text, clicked)) {
        return;
    }
    // One balloon at a time: a new notice replaces the one shown.
    if (Shown) {
        Shown->close();
    }
    Shown = new TNoticeBalloon(title, text, std::move(clicked));
    Shown->adjustSize();
    Shown->move(BalloonPosition(ticker, Shown->size()));
    Shown->show();
}
