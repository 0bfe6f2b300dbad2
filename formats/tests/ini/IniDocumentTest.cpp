#include "formats/ini/IniDocument.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using tavor::Error;
using tavor::IniDocument;

// Values must come back exactly as stored, after a parse and after a write and a
// fresh parse: no trimming, '=' inside a value kept, empty distinct from missing.
TEST(IniDocument, ValuesAreKeptByteForByte) {
    const QString arabic = QStringLiteral(u" فرع الرياض ");
    const IniDocument doc = IniDocument::parse(
        "[Main]\nServer=  SRV  \nDBName=\nLink=a=b\nName=" + arabic.toUtf8() + "\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral("  SRV  "));
    EXPECT_EQ(doc.value("Main", "DBName"), QString(""));
    EXPECT_EQ(doc.value("Main", "Link"), QStringLiteral("a=b"));
    EXPECT_EQ(doc.value("Main", "Name"), arabic);
    EXPECT_EQ(doc.value("Main", "Missing"), std::nullopt);

    IniDocument written;
    for (const QString& value : {arabic, QString(), QStringLiteral(" x;y[z]=w ")}) {
        written.setValue("Sec", "Key", value);
        EXPECT_EQ(IniDocument::parse(written.toBytes()).value("Sec", "Key"), value);
    }
}

// Names in another case or with blanks around them must match, and an existing
// entry is updated in place rather than added a second time.
TEST(IniDocument, SectionsAndKeysIgnoreCaseAndBlanks) {
    IniDocument doc = IniDocument::parse("[ main ]\n  UseIni =1\n");
    EXPECT_EQ(doc.value("MAIN", " useini"), QStringLiteral("1"));
    doc.setValue("Main", "USEINI", "0");
    EXPECT_EQ(doc.toBytes(), QByteArray("[ main ]\n  UseIni =0\n"));
}

// A CR of CR LF lines is no part of the value, added lines follow the file's line
// ends, and a UTF-8 byte order mark neither hides the first section nor gets lost.
TEST(IniDocument, LineEndsAndByteOrderMarkAreKept) {
    IniDocument doc = IniDocument::parse("\xEF\xBB\xBF[Main]\r\nServer= A \r\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral(" A "));
    doc.setValue("Main", "Useini", "1");
    EXPECT_EQ(doc.toBytes(), QByteArray("\xEF\xBB\xBF[Main]\r\nServer= A \r\nUseini=1\r\n"));

    IniDocument plain = IniDocument::parse("[Main]\nUseini=1\n");
    plain.setValue("Main", "Useini", "2");
    EXPECT_EQ(plain.toBytes(), QByteArray("[Main]\nUseini=2\n"));
}

// With duplicates the first occurrence is the value, and a write changes that one.
TEST(IniDocument, FirstDuplicateWins) {
    IniDocument doc =
        IniDocument::parse("[Main]\nServer=first\nServer=second\n[MAIN]\nServer=3\nDBName=4\n");
    EXPECT_EQ(doc.value("Main", "Server"), QStringLiteral("first"));
    EXPECT_EQ(doc.value("Main", "DBName"), std::nullopt);
    doc.setValue("Main", "Server", "new");
    EXPECT_EQ(doc.toBytes(),
              QByteArray("[Main]\nServer=new\nServer=second\n[MAIN]\nServer=3\nDBName=4\n"));
    EXPECT_EQ(doc.entries("main"), (QList<std::pair<QString, QString>>{{"Server", "new"}}));
}

// A rewrite keeps comments, blank and unknown lines where they were; commented out
// entries and entries before any section are no values; new keys join their section.
TEST(IniDocument, RewriteKeepsCommentsAndUnknownLines) {
    IniDocument doc = IniDocument::parse(
        "; settings\nOrphan=1\n[Main]\n;Server=old\ngarbage line\nServer=S\n\n[Next]\nA=1\n");
    EXPECT_EQ(doc.value("Main", ";Server"), std::nullopt);
    doc.setValue("Main", "Server", "T");
    doc.setValue("Main", "DBName", "D");
    doc.setValue("Software\\ORV\\Tavor", "K", "V");
    EXPECT_EQ(doc.toBytes(), QByteArray("; settings\nOrphan=1\n[Main]\n;Server=old\ngarbage line\n"
                                        "Server=T\nDBName=D\n\n[Next]\nA=1\n\n"
                                        "[Software\\ORV\\Tavor]\nK=V\n"));
}

// Text that would change the file's structure on the next read is refused, and the
// document stays as it was.
TEST(IniDocument, RefusesWhatALineCannotHold) {
    IniDocument doc = IniDocument::parse("[Main]\nA=1\n");
    EXPECT_THROW(doc.setValue("Main", "A", "two\nlines"), Error);
    EXPECT_THROW(doc.setValue("Main", "A", "cr\r"), Error);
    EXPECT_THROW(doc.setValue("Main", "A", QString(QChar(0))), Error);
    for (const char* key : {"a=b", "a\nb", "  ", ";A", "[A"})
        EXPECT_THROW(doc.setValue("Main", key, "1]"), Error) << key;
    EXPECT_THROW(doc.setValue("Ma\nin", "A", "1"), Error);
    EXPECT_EQ(doc.toBytes(), QByteArray("[Main]\nA=1\n"));
}

// Names and values that start with U+FEFF lost it when their line was read back
// (found by fuzzing), so the entry never matched itself and every write added a
// duplicate section.
TEST(IniDocument, LeadingByteOrderMarkInNamesAndValuesIsKept) {
    const QString bom(QChar(0xFEFF));
    IniDocument document = IniDocument::parse("[Main]\nA=1\n");
    for (int write = 0; write < 2; ++write) {
        document.setValue(bom + "Branch", bom + "Key", bom + "value");
        document = IniDocument::parse(document.toBytes());
    }
    EXPECT_EQ(document.value(bom + "Branch", bom + "Key"), bom + "value");
    EXPECT_EQ(document.toBytes().count("Branch]"), 1);
    EXPECT_FALSE(document.value("Branch", "Key"));
}
