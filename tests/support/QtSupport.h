#pragma once

// What the Qt tests share: a watcher that answers message boxes as a user would, and where a
// window is centred.

#include "app/Geometry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRect>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

struct TSeenBox {
    std::u16string Title;
    std::u16string Text;
    std::vector<std::u16string> Buttons;
    QRect Geometry;
};

// Closes every message box that opens while it lives, recording what it showed. `whileOpen`
// runs inside the box's loop before the box is closed.
class TBoxWatcher {
public:
    explicit TBoxWatcher(std::function<void()> whileOpen = {}) : WhileOpen(std::move(whileOpen)) {
        Poll.setInterval(5);
        QObject::connect(&Poll, &QTimer::timeout, [this] { Answer(); });
        Poll.start();
    }

    std::vector<TSeenBox> Seen;

private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        TSeenBox seen{
            box->windowTitle().toStdU16String(), box->text().toStdU16String(), {}, box->geometry()};
        for (QAbstractButton* button : box->buttons()) {
            seen.Buttons.push_back(button->text().toStdU16String());
        }
        Seen.push_back(seen);
        if (WhileOpen) {
            auto once = std::move(WhileOpen);
            WhileOpen = {};
            once();
        }
        box->buttons().front()->click();
    }

    std::function<void()> WhileOpen;
    QTimer Poll;
};

// Where a window of `size` is centred on the primary screen.
inline QPoint CenteredOnPrimaryScreen(QSize size) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TPoint at = CenteredPosition({screen.x(), screen.y(), screen.width(), screen.height()},
                                       size.width(), size.height());
    return {at.X, at.Y};
}
