#include "support/EmbeddedServerFixture.h"

#include "embeddedserver/EmbeddedBackup.h"
#include "platform/database/SqlErrors.h"

namespace SqlError = tavor::SqlError;

namespace {

class ServerGenerationTest : public EmbeddedServerFixture {
protected:
    void play(const QString& iniText) {
        QFile ini(QDir(folder()).filePath(QStringLiteral("server.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(iniText.toUtf8());
    }
    QString bak() const { return QDir(folder()).filePath(QStringLiteral("TAVOR_HS.bak")); }
    QString oldBackup(const QString& password = QStringLiteral("pw")) const {
        return QStringLiteral("BACKUP DATABASE TAVOR_HS TO DISK = '%1' WITH INIT , "
                              "MEDIAPASSWORD='%2'")
            .arg(bak(), password);
    }
    QString currentBackup(const QString& certificate = {},
                          const QString& media = QStringLiteral("FORMAT, INIT")) const {
        QString sql = QStringLiteral("BACKUP DATABASE TAVOR_HS TO DISK = N'%1' WITH %2, CHECKSUM")
                          .arg(bak(), media);
        if (!certificate.isEmpty())
            sql += QStringLiteral(", ENCRYPTION (ALGORITHM = AES_256, SERVER CERTIFICATE = %1)")
                       .arg(certificate);
        return sql;
    }
    QString verify(const QString& with) const {
        return QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'%1'").arg(bak()) + with;
    }
};

const QString kCurrent = QStringLiteral("[Server]\nProductVersion=16.0.4135.4\nEngineEdition=3\n"
                                        "Certificates=TavorBackupCert, Other\n");
const QString kCurrentExpress =
    QStringLiteral("[Server]\nProductVersion=16.0.4135.4\nEngineEdition=4\n"
                   "Certificates=TavorBackupCert\n");
const QString kCurrentWeb = QString(kCurrent).replace("=3", "=2\nEdition=Web Edition (64-bit)");
const QString kEleven = QString(kCurrent).replace("16.0.4135.4", "11.0.7001.0");
const QString kTwelve = QString(kCurrent).replace("16.0.4135.4", "12.0.6024.0");

} // namespace

// The stand-in must refuse what the generation it plays refuses, with that server's
// error: a media password from 11 on, encryption before 12, on Express or Web, or
// with a certificate it does not hold.
TEST_F(ServerGenerationTest, EachGenerationTakesOnlyItsOwnBackupOptions) {
    const struct {
        const char* why;
        QString ini;
        QString statement;
        long error;
    } cases[] = {
        {"old server, media password", {}, oldBackup(), 0},
        {"old server, checksum", {}, currentBackup(), 0},
        {"old server, encryption",
         {},
         currentBackup("TavorBackupCert"),
         SqlError::UnknownBackupOption},
        {"current server, media password", kCurrent, oldBackup(), SqlError::UnknownBackupOption},
        {"current server, checksum", kCurrent, currentBackup(), 0},
        {"current server, listed certificate", kCurrent, currentBackup("[tavorbackupcert]"), 0},
        {"current server, unlisted certificate", kCurrent, currentBackup("Missing"),
         SqlError::UnknownCertificate},
        {"current Express, encryption", kCurrentExpress, currentBackup("TavorBackupCert"),
         SqlError::NotOnThisEdition},
        {"current Web, encryption", kCurrentWeb, currentBackup("TavorBackupCert"),
         SqlError::NotOnThisEdition},
        {"11, encryption", kEleven, currentBackup("TavorBackupCert"),
         SqlError::UnknownBackupOption},
        {"12, encryption", kTwelve, currentBackup("TavorBackupCert"), 0},
    };
    for (const auto& c : cases) {
        play(c.ini);
        QFile::remove(bak());
        auto db = open();
        EXPECT_EQ(errorOf([&] { db->execute(c.statement); }), c.error) << c.why;
        EXPECT_EQ(QFile::exists(bak()), c.error == 0) << c.why;
    }
}

// The version start-up reads decides the statements: it must be the one played.
TEST_F(ServerGenerationTest, ServerPropertiesAreThoseOfTheGenerationPlayed) {
    const QString version = QStringLiteral("SELECT CAST(SERVERPROPERTY('ProductVersion') AS "
                                           "nvarchar(128))");
    const QString edition = QStringLiteral("SELECT CAST(SERVERPROPERTY('EngineEdition') AS "
                                           "nvarchar(128))");
    EXPECT_EQ(open()->readFirstValue(version)->toString(), QStringLiteral("10.50.6000.34"));
    EXPECT_EQ(open()->readFirstValue(edition)->toString(), QStringLiteral("4"));
    play(kCurrent);
    EXPECT_EQ(open()->readFirstValue(version)->toString(), QStringLiteral("16.0.4135.4"));
    EXPECT_EQ(open()->readFirstValue(edition)->toString(), QStringLiteral("3"));
}

// A backup file keeps its media header: INIT writes over the backup but keeps the
// header, whose media password it must be given (a server from 11 on cannot give
// one); FORMAT writes a new header, with the statement's password or without one.
TEST_F(ServerGenerationTest, InitKeepsTheMediaHeaderAndOnlyFormatReplacesItsPassword) {
    const struct {
        QString ini;
        QString statement;
        long error;
        std::optional<QString> password; // the header's afterwards
    } cases[] = {
        {{}, oldBackup("other"), SqlError::PasswordFailure, "pw"},
        {{}, oldBackup("other").replace("INIT", "FORMAT"), 0, "other"},
        {kCurrent, currentBackup({}, "INIT"), SqlError::PasswordFailure, "pw"},
        {kCurrent, currentBackup(), 0, std::nullopt},
    };
    for (const auto& c : cases) {
        play({});
        QFile::remove(bak());
        open()->execute(oldBackup());
        play(c.ini);
        EXPECT_EQ(errorOf([&] { open()->execute(c.statement); }), c.error)
            << c.statement.toStdString();
        EXPECT_EQ(tavor::EmbeddedBackup::matchesMediaPassword(bak(), c.password.value_or("pw")),
                  c.password.has_value())
            << c.statement.toStdString();
    }
}

// Verification must refuse a backup that is not a complete, intact copy opened by
// the right password, and take a sound one on either generation.
TEST_F(ServerGenerationTest, VerifyOnlyRefusesDamagedTruncatedAndLockedBackups) {
    const auto truncate = [this] {
        QFile file(bak());
        ASSERT_TRUE(file.resize(file.size() / 2));
    };
    const auto changeARow = [this] {
        SqliteFile(bak()).exec(QStringLiteral("UPDATE ORV_Jornal_Hist SET Jr_Amount = 7 WHERE "
                                              "Jr_Id = 42"));
    };
    const auto replaceWithDatabase = [this] {
        QFile::remove(bak());
        QFile::copy(file(QStringLiteral("TAVOR_07")), bak());
    };
    const struct {
        const char* why;
        QString ini;
        QString backup;
        std::function<void()> damage;
        QString verify;
        long error;
    } cases[] = {
        {"old, sound", {}, oldBackup(), {}, verify(" WITH MEDIAPASSWORD = 'pw'"), 0},
        {"old, truncated",
         {},
         oldBackup(),
         truncate,
         verify(" WITH MEDIAPASSWORD = 'pw'"),
         SqlError::MalformedBackup},
        {"old, wrong password",
         {},
         oldBackup(),
         {},
         verify(" WITH MEDIAPASSWORD = 'pX'"),
         SqlError::PasswordFailure},
        {"old, no password given", {}, oldBackup(), {}, verify({}), SqlError::PasswordFailure},
        {"old, checksum asked of a backup without",
         {},
         oldBackup(),
         {},
         verify(" WITH CHECKSUM, MEDIAPASSWORD = 'pw'"),
         SqlError::NoChecksum},
        {"current, sound", kCurrent, currentBackup(), {}, verify(" WITH CHECKSUM"), 0},
        {"current, encrypted",
         kCurrent,
         currentBackup("TavorBackupCert"),
         {},
         verify(" WITH CHECKSUM"),
         0},
        {"current, truncated", kCurrent, currentBackup(), truncate, verify(" WITH CHECKSUM"),
         SqlError::MalformedBackup},
        {"current, a row changed", kCurrent, currentBackup(), changeARow, verify(" WITH CHECKSUM"),
         SqlError::BackupDamaged},
        {"current, not a backup", kCurrent, currentBackup(), replaceWithDatabase,
         verify(" WITH CHECKSUM"), SqlError::MalformedBackup},
        {"current, missing", kCurrent, currentBackup(), [this] { QFile::remove(bak()); },
         verify(" WITH CHECKSUM"), SqlError::BackupDeviceError},
    };
    for (const auto& c : cases) {
        play(c.ini);
        auto db = open();
        db->execute(c.backup);
        if (c.damage)
            c.damage();
        EXPECT_EQ(errorOf([&] { db->execute(c.verify); }), c.error) << c.why;
    }
}
