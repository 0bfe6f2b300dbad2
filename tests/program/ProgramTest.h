#pragma once

#include <QStringList>
#include <gtest/gtest.h>

// The fixture of every test that runs the built program: the test process adopts
// whatever the program, a bus or a stand-in leaves behind (it is their subreaper), and
// a test fails when a process it started outlives it; such a process is killed and
// reaped, so that none piles up run after run.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    // The command lines of the processes still running after a short grace, which
    // are then ended; the ones that had ended are reaped.
    static QStringList endOutlivingProcesses();
};
