#include "pipeline/record/RunManifest.h"

#include "platform/files/linux/LinuxFileServices.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

// The host's file services, counting how often a file is read back.
class CountingFiles : public LinuxFileServices {
public:
    QString readBackDigest(const QString& path) override {
        readBacks += path.endsWith(QStringLiteral("/kept.cab"));
        return LinuxFileServices::readBackDigest(path);
    }
    int readBacks = 0;
};

QByteArray lineFor(const QByteArray& contents, const QByteArray& name) {
    return QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex() + "  " + name +
           '\n';
}

} // namespace

// An earlier manifest of the same date with a line repeated 100,000 times held a
// run for minutes after its rows, each repeat read back from the stick again, and a
// link listed there kept its line. Each file is read back once; a link is dropped.
TEST(RunManifest, MergeReadsEachEarlierFileOnceAndDropsLinks) {
    QTemporaryDir folder;
    test::writeFile(folder.filePath(QStringLiteral("kept.cab")), "kept");
    ASSERT_TRUE(
        QFile::link(QStringLiteral("kept.cab"), folder.filePath(QStringLiteral("linked.cab"))));
    QByteArray earlier = lineFor("kept", "linked.cab");
    for (int i = 0; i < 1000; ++i)
        earlier += lineFor("kept", "kept.cab");
    test::writeFile(folder.filePath(RunManifest::FileName), earlier);

    CountingFiles files;
    const ManifestEntry ticked{QString(64, QLatin1Char('a')), QStringLiteral("NEW.cab")};
    RunManifest(files, folder.path() + QLatin1Char('/')).write({ticked.name}, {ticked});
    EXPECT_EQ(files.readBacks, 1);
    EXPECT_EQ(test::readFile(folder.filePath(RunManifest::FileName)),
              QByteArray(64, 'a') + "  NEW.cab\n" + lineFor("kept", "kept.cab"));
}
