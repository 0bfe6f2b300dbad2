#pragma once

#include "platform/clock/SystemClock.h"
#include "platform/registry/RegistryKeys.h"
#include "support/FakeDatabase.h"
#include "support/FakeLogicalDisks.h"
#include "support/TestPlatform.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tavor {

// Doubles of every platform part for start-up: an empty registry, a program folder
// of its own, and a branch database answering system values.
class PlatformDoubles : public testing::Test, protected TestPlatform {
protected:
    void SetUp() override {
        ASSERT_TRUE(programFolder.isValid());
        process->folder = programFolder.path();
        platform.database = database;
        platform.disks = disks;
        platform.clock = std::make_shared<SystemClock>();
    }

    // Names the server and database in the registry and gives the branch a bank name.
    void linkBranch(const QString& bankName = QStringLiteral("مصرف الأمان")) {
        registry->setValue(RegistryKeys::Link, QStringLiteral("_Server"), QStringLiteral("srv01"));
        registry->setValue(RegistryKeys::Link, QStringLiteral("_DBase"),
                           QStringLiteral("TAVOR_07"));
        answer(QStringLiteral("Sys_BankName"), bankName);
    }

    // The system value the window's query for name returns.
    void answer(const QString& name, const QVariant& value) {
        database->state->answers.insert(
            QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = '%1')")
                .arg(name),
            value);
    }

    QTemporaryDir programFolder;
    std::shared_ptr<FakeDatabaseProvider> database = std::make_shared<FakeDatabaseProvider>();
    std::shared_ptr<FakeLogicalDisks> disks = std::make_shared<FakeLogicalDisks>();
};

} // namespace tavor
