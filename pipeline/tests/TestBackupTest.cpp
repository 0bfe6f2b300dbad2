#include "pipeline/serverbackup/TestBackup.h"
#include "PipelineFixture.h"

#include "platform/registry/RegistryKeys.h"

using namespace tavor;

namespace {

class TestBackupTest : public PipelineFixture {};

} // namespace

// Guards against the crash of a rejected test statement: the embedded server cannot
// reach a share path, so the error is reported (number, three blanks, description)
// with a critical icon, "OK" is not shown, and the handler returns normally.
TEST_F(TestBackupTest, RejectedStatementIsReportedAndTheProgramGoesOn) {
    EXPECT_NO_THROW(TestBackup(context).cmdTest_Click());
    EXPECT_EQ(window.testStatement,
              QStringLiteral("BACKUP DATABASE TAVOR_07 TO DISK = '\\\\") + state.ServerName +
                  QStringLiteral("\\tavor\\backup\\test.bak' WITH INIT , MEDIAPASSWORD='947'"));
    ASSERT_EQ(messages->shown.size(), 1);
    const MessageBoxRequest& report = messages->shown.front();
    EXPECT_TRUE(report.text.startsWith(QStringLiteral("3201   Cannot open backup device")))
        << report.text.toStdString();
    EXPECT_EQ(report.icon, MessageIcon::Critical);
    EXPECT_EQ(report.buttons, MessageButtons::Ok);
    EXPECT_EQ(report.title, process->title);
}

// Guards against a null connection when start-up made none: one is created, and
// its refusal is reported like any other.
TEST_F(TestBackupTest, MissingConnectionIsCreatedAndItsFailureReported) {
    connection.reset();
    EXPECT_NO_THROW(TestBackup(context).cmdTest_Click());
    EXPECT_NE(connection, nullptr);
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_NE(messages->shown.front().text, QStringLiteral("OK"));
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Critical);
}

// Guards against the test button sending a backup that cannot be encrypted where a
// certificate is named: the reason is reported, nothing is shown or sent.
TEST_F(TestBackupTest, CertificateOnAServerThatCannotEncryptSendsNothing) {
    state.ServerVersion = QStringLiteral("16.0.4135.4");
    state.ServerEditionName = QStringLiteral("Web Edition (64-bit)");
    registry->setValue(RegistryKeys::Technician, QStringLiteral("ServerCertificate"),
                       QStringLiteral("TavorBackupCert"));
    TestBackup(context).cmdTest_Click();
    EXPECT_TRUE(window.testStatement.isEmpty()) << window.testStatement.toStdString();
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_TRUE(messages->shown.front().text.contains(QStringLiteral("cannot encrypt backups")));
}
