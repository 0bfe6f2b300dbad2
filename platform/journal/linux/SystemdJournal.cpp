#include "platform/journal/linux/SystemdJournal.h"

#include "base/Error.h"

#include <cstring>
#include <sys/stat.h>
#include <sys/uio.h>
// The entries name the program, not the file and line of this source.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#include <vector>

namespace tavor {

bool SystemdJournal::connected() const {
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat status {};
    if (stream.isEmpty() || ::fstat(2, &status) != 0)
        return false;
    return streamMatches(stream, quint64(status.st_dev), quint64(status.st_ino));
}

bool SystemdJournal::streamMatches(const QByteArray& stream, quint64 device, quint64 inode) {
    const QList<QByteArray> parts = stream.split(':');
    if (parts.size() != 2)
        return false;
    bool deviceRead = false;
    bool inodeRead = false;
    const quint64 streamDevice = parts[0].toULongLong(&deviceRead);
    const quint64 streamInode = parts[1].toULongLong(&inodeRead);
    return deviceRead && inodeRead && streamDevice == device && streamInode == inode;
}

void SystemdJournal::send(const JournalEntry& entry) {
    QList<QByteArray> fields = {
        "MESSAGE=" + entry.message.toUtf8(),
        "PRIORITY=" + QByteArray::number(entry.priority),
        "SYSLOG_IDENTIFIER=tavor-backup",
    };
    for (const auto& [name, value] : entry.fields)
        fields.append(name + '=' + value.toUtf8());
    std::vector<iovec> vectors;
    vectors.reserve(size_t(fields.size()));
    for (QByteArray& field : fields)
        vectors.push_back({field.data(), size_t(field.size())});
    const int result = sd_journal_sendv(vectors.data(), int(vectors.size()));
    if (result < 0)
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("The journal did not take the line: %1")
                        .arg(QString::fromLocal8Bit(strerror(-result))));
}

} // namespace tavor
