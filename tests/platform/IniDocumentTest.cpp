#include "platform/ini/IniDocument.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

using tavor::Error;
using tavor::IniDocument;

namespace {

IniDocument parse(const char* text) {
    return IniDocument::parse(QByteArray(text));
}

QString arabic() {
    return QStringLiteral(u"فرع الرياض الرئيسي");
}

} // namespace

// Values must come back exactly as stored: no trimming, '=' inside a value kept,
// an empty value distinct from a missing one.
TEST(IniDocument, ValuesAreReadExactlyAsStored) {
    const IniDocument doc = IniDocument::parse(QByteArray("[Main]\nServer=  SRV01  \nDBName=\n") +
                                               "Link=a=b\nName=" + arabic().toUtf8() + "\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral("  SRV01  "));
    EXPECT_EQ(doc.value("Main", "DBName"), QString(""));
    EXPECT_EQ(doc.value("Main", "Link"), QStringLiteral("a=b"));
    EXPECT_EQ(doc.value("Main", "Name"), arabic());
    EXPECT_EQ(doc.value("Main", "Missing"), std::nullopt);
    EXPECT_EQ(doc.value("Other", "Server"), std::nullopt);
}

// Written values must survive a write and a fresh parse byte for byte.
TEST(IniDocument, SetValuesRoundTripByteForByte) {
    IniDocument doc;
    const QList<QString> values = {QStringLiteral(" lead and trail "), QString(), arabic(),
                                   QStringLiteral("x;y[z]=w")};
    for (qsizetype i = 0; i < values.size(); ++i)
        doc.setValue("Sec", QStringLiteral("K%1").arg(i), values[i]);
    const IniDocument reread = IniDocument::parse(doc.toBytes());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.value("Sec", QStringLiteral("K%1").arg(i)), values[i]) << i;
}

// Names written in another case or with blanks around them must still match.
TEST(IniDocument, SectionsAndKeysIgnoreCaseAndBlanks) {
    IniDocument doc = parse("[ main ]\n  UseIni =1\n");
    EXPECT_EQ(doc.value("MAIN", "useini"), QStringLiteral("1"));
    EXPECT_EQ(doc.value(" Main", "USEINI "), QStringLiteral("1"));
    doc.setValue("Main", "USEINI", "0");
    EXPECT_EQ(doc.toBytes(), QByteArray("[ main ]\n  UseIni =0\n"))
        << "an existing entry must be updated in place, not added a second time";
}

// Files written on Windows end lines with CR LF; the CR is not part of the value,
// and added lines follow the file's own line ends.
TEST(IniDocument, CrLfFilesKeepTheirLineEnds) {
    IniDocument doc = parse("[Main]\r\nServer= A \r\nDBName=B\r\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral(" A "));
    EXPECT_EQ(doc.value("Main", "DBName"), QStringLiteral("B"));
    doc.setValue("Main", "Useini", "1");
    EXPECT_EQ(doc.toBytes(), QByteArray("[Main]\r\nServer= A \r\nDBName=B\r\nUseini=1\r\n"));
}

// A UTF-8 byte order mark must neither hide the first section nor be lost or added.
TEST(IniDocument, ByteOrderMarkIsKeptButNotRead) {
    IniDocument withBom = IniDocument::parse(QByteArray("\xEF\xBB\xBF[Main]\nUseini=1\n"));
    EXPECT_EQ(withBom.value("Main", "Useini"), QStringLiteral("1"));
    withBom.setValue("Main", "Useini", "2");
    EXPECT_EQ(withBom.toBytes(), QByteArray("\xEF\xBB\xBF[Main]\nUseini=2\n"));

    IniDocument without = parse("[Main]\nUseini=1\n");
    without.setValue("Main", "Useini", "2");
    EXPECT_FALSE(without.toBytes().startsWith("\xEF\xBB\xBF"));
}

// With duplicates the first occurrence is the value, and a write changes that one.
TEST(IniDocument, FirstDuplicateWins) {
    IniDocument doc = parse("[Main]\nServer=first\nServer=second\n[MAIN]\nServer=third\n"
                            "DBName=later\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral("first"));
    EXPECT_EQ(doc.value("Main", "DBName"), std::nullopt);
    doc.setValue("Main", "Server", "new");
    EXPECT_EQ(doc.toBytes(), QByteArray("[Main]\nServer=new\nServer=second\n[MAIN]\nServer=third\n"
                                        "DBName=later\n"));
    const auto entries = doc.entries("main");
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0], std::make_pair(QStringLiteral("Server"), QStringLiteral("new")));
}

// A rewrite must keep comments, blank and unknown lines where they were; commented
// out entries and entries before any section are not values.
TEST(IniDocument, RewriteKeepsCommentsAndUnknownLines) {
    IniDocument doc = parse("; settings\nOrphan=1\n[Main]\n;Server=old\ngarbage line\n"
                            "Server=S\n\n[Next]\nA=1\n");
    EXPECT_EQ(doc.value("Main", ";Server"), std::nullopt);
    doc.setValue("Main", "Server", "T");
    doc.setValue("Main", "DBName", "D");
    doc.setValue("New", "K", "V");
    EXPECT_EQ(doc.toBytes(), QByteArray("; settings\nOrphan=1\n[Main]\n;Server=old\ngarbage line\n"
                                        "Server=T\nDBName=D\n\n[Next]\nA=1\n\n[New]\nK=V\n"));
    const auto entries = doc.entries("Main");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].first, QStringLiteral("Server"));
    EXPECT_EQ(entries[1].first, QStringLiteral("DBName"));
}

// Text that would change the file's structure on the next read must be refused,
// leaving the document as it was.
TEST(IniDocument, RefusesWhatALineCannotHold) {
    IniDocument doc = parse("[Main]\nA=1\n");
    const QByteArray before = doc.toBytes();
    EXPECT_THROW(doc.setValue("Main", "A", "two\nlines"), Error);
    EXPECT_THROW(doc.setValue("Main", "A", "cr\r"), Error);
    EXPECT_THROW(doc.setValue("Main", "A", QString(QChar(0))), Error);
    EXPECT_THROW(doc.setValue("Main", "a=b", "1"), Error);
    EXPECT_THROW(doc.setValue("Main", "a\nb", "1"), Error);
    EXPECT_THROW(doc.setValue("Main", "  ", "1"), Error);
    EXPECT_THROW(doc.setValue("Main", ";A", "1"), Error);
    EXPECT_THROW(doc.setValue("Main", "[A", "1]"), Error);
    EXPECT_THROW(doc.setValue("Ma\nin", "A", "1"), Error);
    EXPECT_EQ(doc.toBytes(), before);
}

// Registry key paths can be the section names, brackets included.
TEST(IniDocument, SectionNamesMayHoldBackslashesAndBrackets) {
    IniDocument doc;
    doc.setValue("Software\\ORV\\Tavor\\Backup", "Drive", "/media/usb");
    doc.setValue("odd]name", "K", "V");
    const IniDocument reread = IniDocument::parse(doc.toBytes());
    EXPECT_EQ(reread.value("SOFTWARE\\orv\\Tavor\\Backup", "drive"), QStringLiteral("/media/usb"));
    EXPECT_EQ(reread.value("odd]name", "K"), QStringLiteral("V"));
}
