#include "pipeline/TechnicianSettings.h"
#include "platform/registry/RegistryKeys.h"
#include "support/MemoryRegistryStore.h"

#include <gtest/gtest.h>

using namespace tavor;

// A technician writes a switch as a number or a word; "true" once read as "not a
// number" turned the encryption policy off without a word. What cannot be read is
// named and taken as the safe side: the policy on, safe removal off.
TEST(TechnicianSettings, SwitchesReadWordsAndTakeTheSafeSideOfAnythingElse) {
    const struct {
        const char* value;
        bool policy;
        bool eject;
        bool named;
    } cases[] = {
        {nullptr, false, false, false}, {"", false, false, false},
        {"  ", false, false, false},    {"0", false, false, false},
        {"1", true, true, false},       {" 2 ", true, true, false},
        {"-1", true, true, false},      {"true", true, true, false},
        {"TRUE", true, true, false},    {"Yes", true, true, false},
        {"on", true, true, false},      {"false", false, false, false},
        {"No", false, false, false},    {"OFF", false, false, false},
        {"maybe", true, false, true},   {"1 0", true, false, true},
        {"y", true, false, true},       {"enabled", true, false, true},
    };
    for (const auto& c : cases) {
        MemoryRegistryStore registry;
        if (c.value) {
            registry.setValue(RegistryKeys::Technician, TechnicianSettings::RequireEncryptedTarget,
                              QString::fromUtf8(c.value));
            registry.setValue(RegistryKeys::Technician, TechnicianSettings::EjectAfterRun,
                              QString::fromUtf8(c.value));
        }
        const TechnicianSettings settings(&registry);
        const QString value = c.value ? QString::fromUtf8(c.value) : QStringLiteral("(absent)");
        EXPECT_EQ(settings.requireEncryptedTarget(), c.policy) << value.toStdString();
        EXPECT_EQ(settings.ejectAfterRun(), c.eject) << value.toStdString();
        const QStringList named = settings.unreadable();
        ASSERT_EQ(named.size(), c.named ? 2 : 0) << value.toStdString();
        if (c.named) {
            EXPECT_TRUE(named[0].startsWith(QStringLiteral("RequireEncryptedTarget=\"")) &&
                        named[0].endsWith(QStringLiteral("read as on")))
                << named[0].toStdString();
            EXPECT_TRUE(named[1].startsWith(QStringLiteral("EjectAfterRun=\"")) &&
                        named[1].endsWith(QStringLiteral("read as off")))
                << named[1].toStdString();
        }
    }
}

// Pruning is on unless switched off, and off when its switch cannot be read; the
// number of folders kept is a whole number of at least 1, anything else the default.
TEST(TechnicianSettings, PruningSwitchAndKeptFoldersTakeTheSafeSide) {
    const struct {
        const char* value;
        bool prune;
        int kept;
        int named;
    } cases[] = {
        {nullptr, true, 2, 0}, {"0", false, 2, 1}, {"1", true, 1, 0},
        {" 5 ", true, 5, 0},   {"-1", true, 2, 1}, {"maybe", false, 2, 2},
    };
    for (const auto& c : cases) {
        MemoryRegistryStore registry;
        if (c.value) {
            registry.setValue(RegistryKeys::Technician, TechnicianSettings::PruneOldestWhenFull,
                              QString::fromUtf8(c.value));
            registry.setValue(RegistryKeys::Technician, TechnicianSettings::KeepDatedFolders,
                              QString::fromUtf8(c.value));
        }
        const TechnicianSettings settings(&registry);
        const std::string value = c.value ? c.value : "(absent)";
        EXPECT_EQ(settings.pruneOldestWhenFull(), c.prune) << value;
        EXPECT_EQ(settings.keepDatedFolders(), c.kept) << value;
        EXPECT_EQ(settings.unreadable().size(), c.named) << value;
    }
}
