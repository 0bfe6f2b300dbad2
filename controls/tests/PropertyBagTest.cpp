#include "controls/PropertyBag.h"

#include <gtest/gtest.h>

using tavor::PropertyBag;

// Names must match whatever case the host saved them in, or a control comes
// back with its defaults after a restart.
TEST(PropertyBag, NamesMatchWithoutRegardToCase) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("BackColor"), 0xFFFFFFu, 0x80000005u);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("backcolor"), 0x80000005u).toUInt(), 0xFFFFFFu);
    bag.WriteProperty(QStringLiteral("BACKCOLOR"), 0x0000FFu, 0x80000005u);
    EXPECT_EQ(bag.entries().size(), 1);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("BackColor"), 0).toUInt(), 0x0000FFu);
}

// A value equal to its default is not stored: a stale stored value must not
// survive being set back to the default.
TEST(PropertyBag, DefaultValueRemovesStoredEntry) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Border"), false, true);
    EXPECT_TRUE(bag.contains(QStringLiteral("Border")));
    bag.WriteProperty(QStringLiteral("Border"), true, true);
    EXPECT_FALSE(bag.contains(QStringLiteral("Border")));
    EXPECT_TRUE(bag.ReadProperty(QStringLiteral("Border"), true).toBool());
}

TEST(PropertyBag, ChangedMarksAreKeptOncePerName) {
    PropertyBag bag;
    EXPECT_FALSE(bag.anyChanged());
    bag.PropertyChanged(QStringLiteral("Font"));
    bag.PropertyChanged(QStringLiteral("font"));
    EXPECT_TRUE(bag.isChanged(QStringLiteral("FONT")));
    bag.clearChanged();
    EXPECT_FALSE(bag.isChanged(QStringLiteral("Font")));
}
