#include "cabinet/CabinetFormat.h"
#include "cabinet/CabinetWriter.h"
#include "support/CabinetReadBack.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

// The largest source the format holds (its block count at 65,535) packs and reads
// back whole. A sparse file keeps the disk out of it.
TEST(CabinetLimit, SourceAtTheLimitPacks) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("BR_HS.bak"));
    const QString cabinetFile = dir.filePath(QStringLiteral("BR_HS.cab"));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(cabinet::MaxFolderBytes));
    file.close();

    CabinetWriter().write(cabinetFile, source, QStringLiteral("BR_HS.bak"), {});
    const MspackContents contents = readWithMspack(cabinetFile, QStringLiteral("/dev/null"));
    EXPECT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
    EXPECT_EQ(contents.length, cabinet::MaxFolderBytes);
    EXPECT_EQ(md5FromCabextract(cabinetFile), md5OfFile(source));
}
