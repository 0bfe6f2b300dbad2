// A stand-in for the desktop's notification service on a private session bus: it
// answers every Notify call with a fresh id and appends the call to a file as one
// JSON line, so that a test can read what the program asked the desktop to show.
// Usage: tavor-notifications-stand-in <calls.jsonl> <ready-file>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");

class NotificationsStandIn : public QDBusVirtualObject {
public:
    explicit NotificationsStandIn(QString callsFile) : callsFile_(std::move(callsFile)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Notify") || message.arguments().size() != 8)
            return false;
        const QList<QVariant> arguments = message.arguments();
        QVariantMap hints;
        arguments[6].value<QDBusArgument>() >> hints;
        const QJsonObject call{
            {QStringLiteral("app_name"), arguments[0].toString()},
            {QStringLiteral("replaces_id"), qint64(arguments[1].toUInt())},
            {QStringLiteral("summary"), arguments[3].toString()},
            {QStringLiteral("body"), arguments[4].toString()},
            {QStringLiteral("urgency"), int(hints.value(QStringLiteral("urgency")).value<uchar>())},
        };
        QFile file(callsFile_);
        if (file.open(QIODevice::Append))
            file.write(QJsonDocument(call).toJson(QJsonDocument::Compact) + '\n');
        connection.send(message.createReply(QVariant::fromValue(++lastId_)));
        return true;
    }

private:
    QString callsFile_;
    quint32 lastId_ = 40;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QDBusConnection bus = QDBusConnection::sessionBus();
    NotificationsStandIn standIn(QString::fromLocal8Bit(argv[1]));
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &standIn) ||
        !bus.registerService(Service))
        return 1;
    QFile ready(QString::fromLocal8Bit(argv[2]));
    if (!ready.open(QIODevice::WriteOnly))
        return 1;
    ready.close();
    return app.exec();
}
