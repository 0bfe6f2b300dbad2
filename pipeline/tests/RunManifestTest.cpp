#include "pipeline/RunManifest.h"

#include "platform/files/linux/LinuxFileServices.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavor;
using tavor::test::readFile;
using tavor::test::writeFile;

namespace {

// The host's file services, counting how often each file is read back.
class CountingFiles : public LinuxFileServices {
public:
    QString readBackDigest(const QString& path) override {
        ++readBacks[path.section(QLatin1Char('/'), -1)];
        return LinuxFileServices::readBackDigest(path);
    }
    QMap<QString, int> readBacks;
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
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Tavor_2026-12-06/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(folder + QStringLiteral("kept.cab"), "kept");
    writeFile(root.filePath(QStringLiteral("copy.cab")), "copy");
    ASSERT_EQ(::symlink(QFile::encodeName(root.filePath(QStringLiteral("copy.cab"))).constData(),
                        QFile::encodeName(folder + QStringLiteral("linked.cab")).constData()),
              0);
    QByteArray earlier = lineFor("copy", "linked.cab");
    for (int i = 0; i < 1000; ++i)
        earlier += lineFor("kept", "kept.cab");
    writeFile(folder + RunManifest::FileName, earlier);

    CountingFiles files;
    RunManifest(files, folder)
        .write({QStringLiteral("NEW.cab")},
               {{QString(64, QLatin1Char('a')), QStringLiteral("NEW.cab")}});
    EXPECT_EQ(files.readBacks.value(QStringLiteral("kept.cab")), 1);
    EXPECT_EQ(readFile(folder + RunManifest::FileName),
              QByteArray(64, 'a') + "  NEW.cab\n" + lineFor("kept", "kept.cab"));
}
