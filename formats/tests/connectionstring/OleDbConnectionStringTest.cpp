#include "formats/connectionstring/OleDbConnectionString.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using tavor::Error;
using tavor::OleDbConnectionString;

namespace {

QString odbcOf(const QString& oleDb) {
    return OleDbConnectionString(oleDb).toOdbc();
}

QString odbcForDataSource(const QString& dataSource) {
    return odbcOf(QStringLiteral("Provider=SQLOLEDB.1;Password=pw;User ID=sa;Initial Catalog=DB;"
                                 "Data Source=") +
                  dataSource);
}

// The description of the error that translating `oleDb` raises; empty when none was raised.
QString refusalOf(const QString& oleDb) {
    try {
        OleDbConnectionString(oleDb).toOdbc();
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), tavor::ErrorNumber::ProviderError);
        return error.description();
    }
    return {};
}

} // namespace

// Guards against a field dropped, renamed or reordered on the way to the driver.
TEST(OleDbConnectionString, WindowStringTranslatesFieldByField) {
    EXPECT_EQ(odbcOf(QStringLiteral("Provider=SQLOLEDB.1;Password=Tv2026;User ID=tavor;"
                                    "Initial Catalog=TAVOR_07;Data Source=BRANCH07")),
              QStringLiteral("Driver={FreeTDS};Server=BRANCH07;Database=TAVOR_07;UID=tavor;"
                             "PWD=Tv2026;TDS_Version=7.4;ClientCharset=UTF-8"));
}

// Guards against a port or instance name lost or passed where the driver does not read it.
TEST(OleDbConnectionString, DataSourceFormsBecomeServerAndPort) {
    const QList<QPair<QString, QString>> cases = {
        {"srv07", "Server=srv07;"},
        {"10.1.2.3,1433", "Server=10.1.2.3;Port=1433;"},
        {" srv07 , 1500 ", "Server=srv07;Port=1500;"},
        {"srv07\\SQLEXPRESS", "Server=srv07\\SQLEXPRESS;"},
        {"srv07\\SQLEXPRESS,1500", "Server=srv07;Port=1500;"},
        {"tcp:srv07,1433", "Server=srv07;Port=1433;"},
        {"(local)", "Server=localhost;"},
        {".\\SQLEXPRESS", "Server=localhost\\SQLEXPRESS;"},
    };
    for (const auto& [dataSource, server] : cases) {
        EXPECT_TRUE(odbcForDataSource(dataSource).startsWith("Driver={FreeTDS};" + server))
            << dataSource.toStdString() << " -> " << odbcForDataSource(dataSource).toStdString();
    }
}

// Guards against a value that breaks the driver's string: braces only where the driver needs
// them, and nothing escaped inside them because the driver unescapes nothing.
TEST(OleDbConnectionString, BracesValuesTheDriverWouldSplit) {
    const auto odbcForPassword = [](const QString& quotedPassword) {
        return odbcOf(
            QStringLiteral("Password=%1;User ID=branch user;Data Source=s").arg(quotedPassword));
    };
    EXPECT_TRUE(
        odbcForPassword(QStringLiteral("\"a;b\"")).contains("UID={branch user};PWD={a;b};"));
    EXPECT_TRUE(odbcForPassword(QStringLiteral("a}b")).contains(";PWD=a}b;"));
    EXPECT_TRUE(odbcForPassword(QStringLiteral("{ab")).contains(";PWD={{ab};"));
    EXPECT_TRUE(odbcForPassword(QStringLiteral("\" ab\"")).contains(";PWD={ ab};"));
    EXPECT_TRUE(odbcForPassword(QStringLiteral("\"x;y}\"")).contains(";PWD={x;y}};"));
}

// Guards against a string the driver would misread being sent anyway, and against the
// password showing up in the refusal.
TEST(OleDbConnectionString, RefusesWhatCannotBeExpressed) {
    const QString nul =
        QStringLiteral("Password=se") + QChar(u'\0') + QStringLiteral("cret;Data Source=s");
    EXPECT_TRUE(refusalOf(nul).contains(QStringLiteral("Password")));
    EXPECT_FALSE(refusalOf(nul).contains(QStringLiteral("cret")));
    EXPECT_TRUE(refusalOf(QStringLiteral("Password=\"x};y\";Data Source=s")).contains("Password"));
    EXPECT_FALSE(refusalOf(QStringLiteral("Password=\"x};y\";Data Source=s")).contains("x};y"));

    const QStringList refused = {
        QStringLiteral("Password=x;User ID=sa;Initial Catalog=DB;Data Source="),
        QStringLiteral("Password=x;User ID=sa;Initial Catalog=DB"),
        QStringLiteral("Data Source=,1433"),
        QStringLiteral("Data Source=srv,abc"),
        QStringLiteral("Data Source=srv,70000"),
        QStringLiteral("Data Source=np:\\\\srv\\pipe\\sql\\query"),
        QStringLiteral("Integrated Security=SSPI;Data Source=srv"),
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=srv"),
        QStringLiteral("Password=\"open;Data Source=srv"),
        QStringLiteral("Password=\"a\"b;Data Source=srv"),
        QStringLiteral("Password;Data Source=srv"),
        QStringLiteral("=x;Data Source=srv"),
    };
    for (const QString& text : refused) {
        EXPECT_FALSE(refusalOf(text).isEmpty()) << text.toStdString();
    }
}
