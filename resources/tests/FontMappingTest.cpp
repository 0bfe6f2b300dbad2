#include "resources/FontMapping.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>
#include <QTextLayout>
#include <gtest/gtest.h>

using tavor::FontMapping;

namespace {

const QString ArabicWord = QStringLiteral("نسخ"); // noon, seen, khah: three joined letters

class FontMappingTest : public testing::Test {
protected:
    static void SetUpTestSuite() { FontMapping::install(); }

    static QFont designFont(const QString& family) {
        QFont font(family);
        font.setPointSizeF(8.25);
        return font;
    }

    // The glyphs Qt lays out for a text in a font, after shaping.
    static QList<quint32> shapedGlyphs(const QFont& font, const QString& text) {
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QList<quint32> glyphs;
        for (const QGlyphRun& run : layout.glyphRuns())
            glyphs += run.glyphIndexes();
        return glyphs;
    }
};

} // namespace

// A design font that falls back to a Latin-only face shows Arabic as boxes or
// from a random fallback; each must land on its first-choice Arabic face.
TEST_F(FontMappingTest, ArabicDesignFontsResolveToInstalledArabicFaces) {
    for (const QString family : {"Simplified Arabic", "Tahoma", "MS Sans Serif"}) {
        const QFont font = designFont(family);
        EXPECT_EQ(QFontInfo(font).family().toStdString(),
                  FontMapping::substitutesFor(family).first().toStdString())
            << family.toStdString();
        EXPECT_TRUE(QRawFont::fromFont(font).supportsCharacter(U'\u0646'))
            << family.toStdString() << " has no Arabic noon";
    }
}

// Letters that do not join read as a string of isolated letters: the laid-out
// glyphs of a joined word must differ from the letters' isolated forms.
TEST_F(FontMappingTest, ArabicIsShapedInTheMappedFaces) {
    for (const QString family : {"Simplified Arabic", "Tahoma"}) {
        const QFont font = designFont(family);
        const QList<quint32> isolated = QRawFont::fromFont(font).glyphIndexesForString(ArabicWord);
        const QList<quint32> shaped = shapedGlyphs(font, ArabicWord);
        ASSERT_EQ(shaped.size(), 3) << family.toStdString();
        EXPECT_NE(shaped, isolated) << family.toStdString() << " did not join the letters";
    }
}

// The diagnostic lists line up columns: their face must be monospaced, and file
// names in Arabic must still be drawable through the fallback.
TEST_F(FontMappingTest, FixedsysIsMonospaceAndStillDrawsArabic) {
    QFont font = designFont(QStringLiteral("Fixedsys"));
    font.setPointSize(9);
    const QFontInfo info(font);
    EXPECT_EQ(info.family().toStdString(),
              FontMapping::substitutesFor("Fixedsys").first().toStdString());
    EXPECT_TRUE(info.fixedPitch());
    const QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")),
              metrics.horizontalAdvance(QStringLiteral("WWWW")));
    EXPECT_TRUE(metrics.inFontUcs4(U'\u0646'));
}
