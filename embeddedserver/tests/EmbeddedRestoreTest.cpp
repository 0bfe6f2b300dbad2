#include "support/EmbeddedServerFixture.h"

#include "platform/database/SqlErrors.h"

namespace SqlError = tavor::SqlError;

namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeContent(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

// A backup of TAVOR_HS as the old server writes it, and a drill folder beside it.
class EmbeddedRestoreTest : public EmbeddedServerFixture {
protected:
    void SetUp() override {
        EmbeddedServerFixture::SetUp();
        ASSERT_TRUE(QDir(folder()).mkpath(QStringLiteral("drill")));
        db = open();
        db->execute(QStringLiteral("BACKUP DATABASE TAVOR_HS TO DISK = '%1' WITH INIT , "
                                   "MEDIAPASSWORD='pw'")
                        .arg(bak));
    }
    QString drill(const QString& name) const {
        return QDir(folder()).filePath(QStringLiteral("drill/") + name);
    }
    QString restore(const QString& name, const QString& from, const QString& password,
                    const QString& moves = {}) const {
        return QStringLiteral("RESTORE DATABASE [%1] FROM DISK = N'%2' WITH %3RECOVERY, "
                              "MEDIAPASSWORD = '%4'")
            .arg(name, from,
                 moves.isNull() ? QStringLiteral("MOVE N'TAVOR_HS' TO N'%1', MOVE N'TAVOR_HS_log' "
                                                 "TO N'%2', ")
                                      .arg(drill(name + QStringLiteral("_1.mdf")),
                                           drill(name + QStringLiteral("_2.ldf")))
                                : moves,
                 password);
    }

    const QString bak = QDir(folder()).filePath(QStringLiteral("TAVOR_HS.bak"));
    std::unique_ptr<tavor::EmbeddedConnection> db;
};

// The database comes back under its new name with its rows, in the files the MOVEs
// name, is checked clean, and its drop takes those files with it.
TEST_F(EmbeddedRestoreTest, RestoresUnderANewNameChecksAndDropsEverything) {
    const QList<QVariantList> files =
        db->readRows(QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'%1' WITH MEDIAPASSWORD "
                                    "= 'pw'")
                         .arg(bak));
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].mid(0, 3),
              (QVariantList{QStringLiteral("TAVOR_HS"), QStringLiteral("TAVOR_HS.mdf"),
                            QStringLiteral("D")}));
    EXPECT_EQ(files[1].value(0), QVariant(QStringLiteral("TAVOR_HS_log")));
    EXPECT_EQ(files[1].value(2), QVariant(QStringLiteral("L")));

    db->execute(restore(QStringLiteral("TavorDrill_HS"), bak, QStringLiteral("pw")));
    EXPECT_TRUE(QFileInfo(drill(QStringLiteral("TavorDrill_HS_1.mdf"))).isFile());
    EXPECT_TRUE(QFileInfo(drill(QStringLiteral("TavorDrill_HS_2.ldf"))).isFile());
    db->execute(QStringLiteral("DBCC CHECKDB ([TavorDrill_HS]) WITH NO_INFOMSGS, ALL_ERRORMSGS"));
    EXPECT_EQ(db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM "
                                                "[TavorDrill_HS].dbo.ORV_Jornal_Hist"))
                  ->toLongLong(),
              500);
    EXPECT_EQ(db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM [TavorDrill_HS].sys.tables "
                                                "WHERE is_ms_shipped = 0"))
                  ->toLongLong(),
              1);
    db->execute(QStringLiteral("DROP DATABASE [TavorDrill_HS]"));
    EXPECT_TRUE(QDir(drill({})).isEmpty());
    EXPECT_FALSE(QFileInfo(file(QStringLiteral("TavorDrill_HS"))).isSymLink());
}

// What a server refuses to restore, the stand-in refuses with the server's number, and
// nothing of the database is left behind.
TEST_F(EmbeddedRestoreTest, RefusesWhatTheServerRefusesAndLeavesNothing) {
    const QByteArray whole = contentOf(bak);
    const QString truncated = QDir(folder()).filePath(QStringLiteral("truncated.bak"));
    writeContent(truncated, whole.left(whole.size() - 4096));
    const QString moveData =
        QStringLiteral("MOVE N'TAVOR_HS' TO N'%1', ").arg(drill(QStringLiteral("x_1.mdf")));
    const struct {
        const char* what;
        QString statement;
        long number;
    } cases[] = {
        {"existing name", restore(QStringLiteral("TAVOR_07"), bak, QStringLiteral("pw")),
         SqlError::RestoreOverOther},
        {"wrong media password", restore(QStringLiteral("TavorDrill_X"), bak, QStringLiteral("no")),
         SqlError::PasswordFailure},
        {"truncated backup",
         restore(QStringLiteral("TavorDrill_X"), truncated, QStringLiteral("pw")),
         SqlError::MalformedBackup},
        {"missing backup",
         restore(QStringLiteral("TavorDrill_X"), bak + QStringLiteral(".gone"),
                 QStringLiteral("pw")),
         SqlError::BackupDeviceError},
        {"log left in place",
         restore(QStringLiteral("TavorDrill_X"), bak, QStringLiteral("pw"), moveData),
         SqlError::CannotRestoreFile},
        {"unknown logical file",
         restore(QStringLiteral("TavorDrill_X"), bak, QStringLiteral("pw"),
                 moveData + QStringLiteral("MOVE N'Other' TO N'/tmp/o.ldf', ")),
         SqlError::NotPartOfDatabase},
        {"folder missing",
         restore(QStringLiteral("TavorDrill_X"), bak, QStringLiteral("pw"),
                 QStringLiteral("MOVE N'TAVOR_HS' TO N'/no/such/x.mdf', MOVE N'TAVOR_HS_log' TO "
                                "N'/no/such/x.ldf', ")),
         SqlError::DirectoryLookup},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorOf([&] { db->execute(c.statement); }), c.number) << c.what;
        EXPECT_TRUE(QDir(drill({})).isEmpty()) << c.what;
        EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("TavorDrill_X")))) << c.what;
    }
    EXPECT_EQ(errorOf([&] {
                  db->execute(QStringLiteral("DBCC CHECKDB ([TavorDrill_X]) WITH NO_INFOMSGS"));
              }),
              SqlError::DatabaseNotFound);
}

// A page spoiled in the backup restores as it is (no checksum tells of it), and the
// check of the restored database finds it as the server's CHECKDB numbers it.
TEST_F(EmbeddedRestoreTest, CheckFindsAPageSpoiledInTheBackup) {
    QByteArray spoiled = contentOf(bak);
    const int pageSize = (quint8(spoiled[16]) << 8) | quint8(spoiled[17]);
    spoiled[pageSize] = char(0x7f);
    writeContent(bak, spoiled);
    db->execute(restore(QStringLiteral("TavorDrill_HS"), bak, QStringLiteral("pw")));
    try {
        db->execute(QStringLiteral("DBCC CHECKDB ([TavorDrill_HS]) WITH NO_INFOMSGS"));
        ADD_FAILURE() << "the spoiled page went unnoticed";
    } catch (const tavor::Error& error) {
        EXPECT_TRUE(error.number() == SqlError::PageNotProcessed ||
                    error.number() == SqlError::PageTestFailed)
            << error.number();
        EXPECT_TRUE(error.description().contains(QStringLiteral("consistency errors in "
                                                                "database 'TavorDrill_HS'")))
            << error.description().toStdString();
    }
    db->execute(QStringLiteral("DROP DATABASE [TavorDrill_HS]"));
    EXPECT_TRUE(QDir(drill({})).isEmpty());
}
