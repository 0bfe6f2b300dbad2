#include "support/UdisksStandIn.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QThread>
#include <optional>

namespace tavor::test {

namespace {

using Interfaces = QMap<QString, QVariantMap>;
using Objects = QMap<QDBusObjectPath, Interfaces>;

const QString Root = QStringLiteral("/org/freedesktop/UDisks2");
const QString Blocks = Root + QStringLiteral("/block_devices/");
const QString StickDrive = Root + QStringLiteral("/drives/Stick");
const QString Group = Root + QStringLiteral("/lvm/stick");
const QString ConnectionName = QStringLiteral("udisks-stand-in");
const QString Error = QStringLiteral("org.freedesktop.UDisks2.Error.");

const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString PartitionInterface = QStringLiteral("org.freedesktop.UDisks2.Partition");
const QString VolumeInterface = QStringLiteral("org.freedesktop.UDisks2.LogicalVolume");
const QString MemberInterface = QStringLiteral("org.freedesktop.UDisks2.PhysicalVolume");

QVariant objectPath(const QString& path) {
    return QVariant::fromValue(QDBusObjectPath(path.isEmpty() ? QStringLiteral("/") : path));
}

} // namespace

class UdisksStandIn::Servant : public QDBusVirtualObject {
public:
    Servant(const QString& mountPoint, Stick stick);

    QStringList calls() const;
    void refuse(const QString& method, const QString& errorName);
    void delay(const QString& method, int milliseconds);
    void activeSession();
    void grant(const QString& action);
    void silence();

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void addBlock(const QString& name, const QString& drive, const QString& backing = {});
    void addFilesystem(const QString& name, const QByteArray& mountPoint);
    void addVolume(const QString& name, const QString& block);
    // An invalid message where no answer comes.
    QDBusMessage answer(const QDBusMessage& message);
    QDBusMessage act(const QDBusMessage& message);
    // None when polkit allows the action.
    std::optional<QDBusMessage> authorize(const QDBusMessage& message, const QString& action);
    // Why block may not go: mounted, unlocked, holding an active logical volume, or a
    // partition in use; empty when nothing uses it.
    QString inUse(const QString& block) const;
    bool mounted(const QString& block) const;
    QString property(const QString& object, const QString& interface, const QString& name) const;
    QStringList objectsWith(const QString& interface, const QString& name,
                            const QString& value) const;
    void removeWithPartitions(const QString& block);

    mutable QMutex mutex_;
    QMap<QString, Interfaces> objects_;
    QStringList calls_;
    QString refusedMethod_;
    QString refusedError_;
    QString delayedMethod_;
    int delay_ = 0;
    bool activeSession_ = false;
    QSet<QString> granted_;
    bool silent_ = false;
};

UdisksStandIn::UdisksStandIn(QString mountPoint, Stick stick)
    : servant_(new Servant(mountPoint, stick)) {
    qDBusRegisterMetaType<QList<QByteArray>>();
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<Objects>();
    // Registering gives the servant children of the bus's own: it moves with them.
    QDBusConnection bus = QDBusConnection::connectToBus(bus_.address(), ConnectionName);
    if (bus.registerService(QStringLiteral("org.freedesktop.UDisks2")) &&
        bus.registerVirtualObject(Root, servant_, QDBusConnection::SubPath))
        address_ = bus_.address();
    servant_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, servant_, &QObject::deleteLater);
    thread_.start();
}

UdisksStandIn::~UdisksStandIn() {
    QDBusConnection::disconnectFromBus(ConnectionName);
    thread_.quit();
    thread_.wait();
}

QStringList UdisksStandIn::calls() const {
    return servant_->calls();
}

void UdisksStandIn::refuse(const QString& method, const QString& errorName) {
    servant_->refuse(method, errorName);
}

void UdisksStandIn::delay(const QString& method, int milliseconds) {
    servant_->delay(method, milliseconds);
}

void UdisksStandIn::activeSession() {
    servant_->activeSession();
}

void UdisksStandIn::grant(const QString& action) {
    servant_->grant(action);
}

void UdisksStandIn::silence() {
    servant_->silence();
}

UdisksStandIn::Servant::Servant(const QString& mountPoint, Stick stick) {
    const QByteArray mounted = QFile::encodeName(mountPoint) + '\0';
    addBlock(QStringLiteral("sda"), Root + QStringLiteral("/drives/System"));
    addBlock(QStringLiteral("sdb"), StickDrive);
    addBlock(QStringLiteral("sdb1"), StickDrive);
    objects_[Blocks + QStringLiteral("sdb1")][PartitionInterface] = {
        {QStringLiteral("Table"), objectPath(Blocks + QStringLiteral("sdb"))}};
    if (stick == Stick::Plain) {
        addFilesystem(QStringLiteral("sdb1"), mounted);
        return;
    }
    objects_[Blocks + QStringLiteral("sdb1")][QStringLiteral("org.freedesktop.UDisks2.Encrypted")] =
        {};
    addBlock(QStringLiteral("dm_2d0"), {}, Blocks + QStringLiteral("sdb1"));
    if (stick == Stick::Encrypted) {
        addFilesystem(QStringLiteral("dm_2d0"), mounted);
    } else if (stick == Stick::PartitionInEncrypted) {
        addBlock(QStringLiteral("dm_2d1"), {});
        objects_[Blocks + QStringLiteral("dm_2d1")][PartitionInterface] = {
            {QStringLiteral("Table"), objectPath(Blocks + QStringLiteral("dm_2d0"))}};
        addFilesystem(QStringLiteral("dm_2d1"), mounted);
    } else {
        objects_[Blocks + QStringLiteral("dm_2d0")][MemberInterface] = {
            {QStringLiteral("VolumeGroup"), objectPath(Group)}};
        objects_[Group][QStringLiteral("org.freedesktop.UDisks2.VolumeGroup")] = {
            {QStringLiteral("Name"), QStringLiteral("stick")}};
        addVolume(QStringLiteral("backup"), QStringLiteral("dm_2d1"));
        addVolume(QStringLiteral("spare"), QStringLiteral("dm_2d2"));
        addFilesystem(QStringLiteral("dm_2d1"), mounted);
        addFilesystem(QStringLiteral("dm_2d2"), {});
    }
}

void UdisksStandIn::Servant::addBlock(const QString& name, const QString& drive,
                                      const QString& backing) {
    objects_[Blocks + name][BlockInterface] = {
        {QStringLiteral("Device"), QByteArray("/dev/" + name.toUtf8().replace("_2d", "-"))},
        {QStringLiteral("Drive"), objectPath(drive)},
        {QStringLiteral("CryptoBackingDevice"), objectPath(backing)}};
}

void UdisksStandIn::Servant::addFilesystem(const QString& name, const QByteArray& mountPoint) {
    const QList<QByteArray> points =
        mountPoint.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{mountPoint};
    objects_[Blocks + name][FilesystemInterface] = {
        {QStringLiteral("MountPoints"), QVariant::fromValue(points)}};
}

void UdisksStandIn::Servant::addVolume(const QString& name, const QString& block) {
    addBlock(block, {});
    objects_[Blocks + block][QStringLiteral("org.freedesktop.UDisks2.Block.LVM2")] = {
        {QStringLiteral("LogicalVolume"), objectPath(Group + QLatin1Char('/') + name)}};
    objects_[Group + QLatin1Char('/') + name][VolumeInterface] = {
        {QStringLiteral("VolumeGroup"), objectPath(Group)},
        {QStringLiteral("Name"), name},
        {QStringLiteral("Active"), true},
        {QStringLiteral("BlockDevice"), objectPath(Blocks + block)}};
}

QStringList UdisksStandIn::Servant::calls() const {
    const QMutexLocker lock(&mutex_);
    return calls_;
}

void UdisksStandIn::Servant::refuse(const QString& method, const QString& errorName) {
    const QMutexLocker lock(&mutex_);
    refusedMethod_ = method;
    refusedError_ = errorName;
}

void UdisksStandIn::Servant::delay(const QString& method, int milliseconds) {
    const QMutexLocker lock(&mutex_);
    delayedMethod_ = method;
    delay_ = milliseconds;
}

void UdisksStandIn::Servant::activeSession() {
    const QMutexLocker lock(&mutex_);
    activeSession_ = true;
}

void UdisksStandIn::Servant::grant(const QString& action) {
    const QMutexLocker lock(&mutex_);
    granted_.insert(action);
}

void UdisksStandIn::Servant::silence() {
    const QMutexLocker lock(&mutex_);
    silent_ = true;
}

// The call is recorded at once; its answer waits without holding the lock.
bool UdisksStandIn::Servant::handleMessage(const QDBusMessage& message,
                                           const QDBusConnection& connection) {
    QDBusMessage reply;
    int wait = 0;
    {
        const QMutexLocker lock(&mutex_);
        reply = answer(message);
        wait = message.member() == delayedMethod_ ? delay_ : 0;
    }
    QThread::msleep(wait);
    if (reply.type() != QDBusMessage::InvalidMessage)
        connection.send(reply);
    return true;
}

// No answer stands for a service that went silent, or for a password dialog that
// nobody at the screen will fill in.
QDBusMessage UdisksStandIn::Servant::answer(const QDBusMessage& message) {
    if (silent_)
        return {};
    if (message.path() == Root && message.member() == u"GetManagedObjects") {
        Objects objects;
        for (auto object = objects_.cbegin(); object != objects_.cend(); ++object)
            objects.insert(QDBusObjectPath(object.key()), object.value());
        return message.createReply(QVariant::fromValue(objects));
    }
    const QString& member = message.member();
    if (member != u"Unmount" && member != u"Deactivate" && member != u"Lock" &&
        member != u"PowerOff")
        return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                        member);
    calls_ << member + QLatin1Char(' ') + message.path();
    if (member == refusedMethod_)
        return message.createErrorReply(refusedError_, QStringLiteral("refused by the stand-in"));
    return act(message);
}

QDBusMessage UdisksStandIn::Servant::act(const QDBusMessage& message) {
    const QString object = message.path();
    const QString& member = message.member();
    const auto failed = [&](const QString& name, const QString& text) {
        return message.createErrorReply(Error + name, text);
    };
    if (member == u"Unmount") {
        if (!mounted(object))
            return failed(QStringLiteral("NotMounted"), QStringLiteral("Device is not mounted"));
        addFilesystem(object.mid(Blocks.size()), {});
    } else if (member == u"Deactivate") {
        if (std::optional<QDBusMessage> refusal =
                authorize(message, QStringLiteral("org.freedesktop.udisks2.lvm2.manage-lvm")))
            return *refusal;
        const QString block = property(object, VolumeInterface, QStringLiteral("BlockDevice"));
        if (!inUse(block).isEmpty())
            return failed(QStringLiteral("Failed"), QStringLiteral("Logical volume in use"));
        objects_[object][VolumeInterface][QStringLiteral("Active")] = false;
        objects_.remove(block);
    } else if (member == u"Lock") {
        const QStringList cleartext =
            objectsWith(BlockInterface, QStringLiteral("CryptoBackingDevice"), object);
        if (cleartext.isEmpty())
            return failed(QStringLiteral("Failed"), QStringLiteral("Device is not unlocked"));
        if (!inUse(cleartext.front()).isEmpty())
            return failed(QStringLiteral("Failed"),
                          QStringLiteral("Error locking: Device or resource busy"));
        removeWithPartitions(cleartext.front());
    } else {
        for (const QString& block : objectsWith(BlockInterface, QStringLiteral("Drive"), object)) {
            if (const QString use = inUse(block); !use.isEmpty())
                return failed(QStringLiteral("DeviceBusy"),
                              QStringLiteral("The drive in use: ") + use);
        }
        // Outside an active session the drive counts as one on another seat.
        if (std::optional<QDBusMessage> refusal = authorize(
                message,
                activeSession_
                    ? QStringLiteral("org.freedesktop.udisks2.power-off-drive")
                    : QStringLiteral("org.freedesktop.udisks2.power-off-drive-other-seat")))
            return *refusal;
    }
    return message.createReply();
}

// polkit's defaults: powering a removable drive off is allowed in an active session
// only; everything else here wants an administrator's password, which a caller that
// asked for no interaction is refused at once.
std::optional<QDBusMessage> UdisksStandIn::Servant::authorize(const QDBusMessage& message,
                                                              const QString& action) {
    if (granted_.contains(action) ||
        (activeSession_ && action == u"org.freedesktop.udisks2.power-off-drive"))
        return std::nullopt;
    QVariantMap options;
    if (!message.arguments().isEmpty())
        message.arguments().constLast().value<QDBusArgument>() >> options;
    if (!options.value(QStringLiteral("auth.no_user_interaction")).toBool())
        return QDBusMessage();
    return message.createErrorReply(Error + QStringLiteral("NotAuthorizedCanObtain"),
                                    QStringLiteral("Not authorized to perform operation"));
}

bool UdisksStandIn::Servant::mounted(const QString& block) const {
    const QVariant points =
        objects_.value(block).value(FilesystemInterface).value(QStringLiteral("MountPoints"));
    return !points.value<QList<QByteArray>>().isEmpty();
}

QString UdisksStandIn::Servant::inUse(const QString& block) const {
    const QString device = QString::fromUtf8(
        objects_.value(block).value(BlockInterface).value(QStringLiteral("Device")).toByteArray());
    if (mounted(block))
        return QStringLiteral("Device %1 is mounted").arg(device);
    if (!objectsWith(BlockInterface, QStringLiteral("CryptoBackingDevice"), block).isEmpty())
        return QStringLiteral("Encrypted device %1 is unlocked").arg(device);
    const QString group = property(block, MemberInterface, QStringLiteral("VolumeGroup"));
    for (const QString& volume :
         objectsWith(VolumeInterface, QStringLiteral("VolumeGroup"), group)) {
        if (!group.isEmpty() &&
            objects_[volume][VolumeInterface][QStringLiteral("Active")].toBool())
            return QStringLiteral("%1 holds an active logical volume").arg(device);
    }
    for (const QString& partition :
         objectsWith(PartitionInterface, QStringLiteral("Table"), block)) {
        if (const QString use = inUse(partition); !use.isEmpty())
            return use;
    }
    return {};
}

QString UdisksStandIn::Servant::property(const QString& object, const QString& interface,
                                         const QString& name) const {
    return objects_.value(object).value(interface).value(name).value<QDBusObjectPath>().path();
}

QStringList UdisksStandIn::Servant::objectsWith(const QString& interface, const QString& name,
                                                const QString& value) const {
    QStringList found;
    if (value.isEmpty())
        return found;
    for (auto object = objects_.cbegin(); object != objects_.cend(); ++object) {
        if (property(object.key(), interface, name) == value)
            found << object.key();
    }
    return found;
}

void UdisksStandIn::Servant::removeWithPartitions(const QString& block) {
    for (const QString& partition : objectsWith(PartitionInterface, QStringLiteral("Table"), block))
        objects_.remove(partition);
    objects_.remove(block);
}

} // namespace tavor::test
