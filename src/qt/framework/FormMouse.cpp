#include "framework/Application.h"

#include <QChildEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Sees the mouse events of the form and all its descendants before they do. An event that a
// child ignores travels on to its parents, each of which is watched too; the copy that
// arrives there is recognised by its key and by coming from a descendant, and is not handled
// a second time.
class TFormMouseFilter : public QObject {
public:
    TFormMouseFilter(QWidget* form, TFormMouseHandlers handlers)
        : QObject(form), Form(form), Handlers(std::move(handlers)) {
        Watch(form);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                Watch(child);
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget != nullptr && widget->window() == Form) {
                Dispatch(widget, static_cast<QMouseEvent*>(event));
            }
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    struct TKey {
        QEvent::Type Type = QEvent::None;
        quint64 Timestamp = 0;
        QPoint Global; // whole pixels: Qt rounds the copy it hands on
        Qt::MouseButton Button = Qt::NoButton;
        Qt::MouseButtons Held;
        bool operator==(const TKey&) const = default;
    };

    void Watch(QWidget* widget) {
        widget->installEventFilter(this);
        for (QObject* child : widget->children()) {
            if (auto* childWidget = qobject_cast<QWidget*>(child)) {
                Watch(childWidget);
            }
        }
    }

    void Dispatch(QWidget* widget, QMouseEvent* event) {
        const TKey key{event->type(), event->timestamp(), event->globalPosition().toPoint(),
                       event->button(), event->buttons()};
        if (key == LastKey && LastWidget != nullptr && widget != LastWidget &&
            widget->isAncestorOf(LastWidget)) {
            return; // the same event, handed on by a child that ignored it
        }
        LastKey = key;
        LastWidget = widget;

        const QPointF client =
            widget == Form ? event->position() : widget->mapTo(Form, event->position());
        const auto x = static_cast<float>(client.x());
        const auto y = static_cast<float>(client.y());
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (Handlers.Down) {
                Guarded([&] { Handlers.Down(event->button(), event->buttons(), x, y); });
            }
            break;
        case QEvent::MouseMove:
            if (Handlers.Move) {
                Guarded([&] { Handlers.Move(event->buttons(), x, y); });
            }
            break;
        case QEvent::MouseButtonRelease:
            if (Handlers.Up) {
                Guarded([&] { Handlers.Up(event->button(), event->buttons(), x, y); });
            }
            break;
        default:
            break;
        }
    }

    QWidget* Form;
    TFormMouseHandlers Handlers;
    TKey LastKey;
    QPointer<QWidget> LastWidget;
};

} // namespace

void InstallFormMouseHandlers(QWidget* form, TFormMouseHandlers handlers) {
    new TFormMouseFilter(form, std::move(handlers));
}
