#include "formats/checksums/ChecksumManifest.h"

#include <gtest/gtest.h>

using namespace tavor;

namespace {

const QString Digest =
    QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

} // namespace

// A name the manifest writes must read back as the same name, or a good cabinet is
// reported missing (and the GNU tools look for another file): backslashes, line
// breaks and carriage returns are escaped as the GNU tools write them. A name
// ending in a carriage return once read back without it.
TEST(ChecksumManifest, EveryNameReadsBackAsWritten) {
    const QString names[] = {
        QStringLiteral("TAVOR_SG.cab"),
        QStringLiteral("name with  blanks.cab"),
        QStringLiteral("back\\slash.cab"),
        QStringLiteral("line\nbreak.cab"),
        QStringLiteral("ends in cr\r"),
        QStringLiteral("\rstarts in cr"),
        QStringLiteral("\\"),
        QString::fromUtf8("\xd9\x86\xd8\xb3\xd8\xae.cab"),
    };
    for (const QString& name : names) {
        const QByteArray text = ChecksumManifest::render({{Digest, name}});
        EXPECT_TRUE(text.endsWith('\n') && text.count('\n') == 1) << text.toStdString();
        const ChecksumManifest read = ChecksumManifest::parse(text);
        EXPECT_EQ(read.malformedLines(), 0) << text.toStdString();
        ASSERT_EQ(read.entries().size(), 1) << text.toStdString();
        EXPECT_EQ(read.entries().front().name, name) << text.toStdString();
    }
}

// What the GNU tools accept is read: either case, the binary-mode marker, a CRLF
// line end; what they would refuse is counted as malformed, not taken.
TEST(ChecksumManifest, LinesReadAsTheGnuToolsReadThem) {
    const QByteArray upper = Digest.toUpper().toLatin1();
    const QByteArray lower = Digest.toLatin1();
    const ChecksumManifest manifest = ChecksumManifest::parse(
        upper + "  a.cab\n" + lower + " *b.cab\r\n" + lower + "  \n" + lower.left(63) +
        "  short.cab\n" + lower + " x.cab\n" + "z" + lower.mid(1) + "  hex.cab\n" + "\\" + lower +
        "  bad\\qescape\n" + lower + "  c.cab");
    ASSERT_EQ(manifest.entries().size(), 3);
    EXPECT_EQ(manifest.entries()[0], (ManifestEntry{Digest, QStringLiteral("a.cab")}));
    EXPECT_EQ(manifest.entries()[1], (ManifestEntry{Digest, QStringLiteral("b.cab")}));
    EXPECT_EQ(manifest.entries()[2], (ManifestEntry{Digest, QStringLiteral("c.cab")}));
    EXPECT_EQ(manifest.malformedLines(), 5);
}

// The manifest lists each name once, in the order of its bytes, the later entry of a
// name winning: a repeated name would be checked twice and could disagree with itself.
TEST(ChecksumManifest, RenderSortsByNameAndKeepsTheLastOfAName) {
    const QString other = QString(64, QLatin1Char('a'));
    const QByteArray text = ChecksumManifest::render({{Digest, QStringLiteral("b.cab")},
                                                      {Digest.toUpper(), QStringLiteral("B.cab")},
                                                      {Digest, QStringLiteral("a.cab")},
                                                      {other, QStringLiteral("b.cab")}});
    EXPECT_EQ(text, Digest.toLatin1() + "  B.cab\n" + Digest.toLatin1() + "  a.cab\n" +
                        other.toLatin1() + "  b.cab\n");
}
