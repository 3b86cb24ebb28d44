#include "framework/Notice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The default action is the click on the notification itself.
const QString DefaultAction = QStringLiteral("default");
// Long enough for a service that the bus starts on demand.
constexpr int CallMilliseconds = 5000;

// Receives the service's ActionInvoked for the last notice given; connected at the first.
class TNoticeActions final : public QObject {
    Q_OBJECT

public:
    quint32 Id = 0;
    std::function<void()> Clicked;

public slots:
    void ActionInvoked(quint32 id, const QString& key) {
        if (id == Id && key == DefaultAction && Clicked) {
            Clicked();
        }
    }
};

TNoticeActions* Actions = nullptr;

bool ServiceAvailable(QDBusConnection& bus) {
    const QDBusConnectionInterface* names = bus.interface();
    if (names == nullptr) {
        return false;
    }
    return names->isServiceRegistered(Service).value() ||
           names->activatableServiceNames().value().contains(Service);
}

} // namespace

bool SendDesktopNotice(const QString& title, const QString& text, std::function<void()> clicked) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !ServiceAvailable(bus)) {
        return false;
    }
    if (Actions == nullptr) {
        Actions = new TNoticeActions;
        bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), Actions,
                    SLOT(ActionInvoked(quint32, QString)));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "Notify");
    // The installed desktop entry and icon name Pelwick to the service.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("pelwick")}};
    call << QStringLiteral("Pelwick") << quint32{0} << QStringLiteral("pelwick") << title << text
         << QStringList{DefaultAction, QStringLiteral("Fortschritt zeigen")} << hints << qint32{-1};
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    Actions->Id = reply.arguments().first().toUInt();
    Actions->Clicked = std::move(clicked);
    return true;
}

#include "DesktopNoticeDBus.moc"
