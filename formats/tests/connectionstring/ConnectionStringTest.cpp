#include "formats/connectionstring/ConnectionString.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using tavor::ConnectionString;

namespace {

// The description of the error that strict parsing raises; empty when none was raised.
QString strictRefusalOf(const QString& text) {
    try {
        ConnectionString::parseStrictly(text);
    } catch (const tavor::Error& error) {
        EXPECT_EQ(error.number(), tavor::ErrorNumber::ProviderError);
        return error.description();
    }
    return {};
}

} // namespace

// Values holding ';' or quotes survive a round trip through a connection string, and what
// field() writes is never refused by the strict reading.
TEST(ConnectionString, QuotesValuesThatNeedIt) {
    const QString cs = QStringList{ConnectionString::field("Password", "a;b\"c"),
                                   ConnectionString::field("User ID", " sa"),
                                   ConnectionString::field("Workstation ID", "'x=y' "),
                                   ConnectionString::field("Data Source", "embedded:/x")}
                           .join(QLatin1Char(';'));
    const auto parsed = ConnectionString::parse(cs);
    EXPECT_EQ(parsed.valueOr("password"), QStringLiteral("a;b\"c"));
    EXPECT_EQ(parsed.valueOr("USER ID"), QStringLiteral(" sa"));
    EXPECT_EQ(parsed.valueOr("workstation id"), QStringLiteral("'x=y' "));
    EXPECT_EQ(parsed.valueOr("data source"), QStringLiteral("embedded:/x"));
    EXPECT_EQ(ConnectionString::parse("Password='it''s';x").valueOr("Password"),
              QStringLiteral("it's"));
    EXPECT_FALSE(parsed.value("Initial Catalog"));
    EXPECT_EQ(ConnectionString::parseStrictly(cs).valueOr("Password"), QStringLiteral("a;b\"c"));
}

// A value starting with '=' once merged into the key as "==" (found by fuzzing): the
// password "=pw" became part of a key named "Password=pw".
TEST(ConnectionString, ValueStartingWithEqualsKeepsItsKey) {
    for (const QString& written : {ConnectionString::field("Password", "=pw"),
                                   ConnectionString::typedField("Password", "=pw")}) {
        const auto parsed = ConnectionString::parseStrictly(written + ";User ID=sa");
        EXPECT_EQ(parsed.keys(), (QStringList{"Password", "User ID"})) << written.toStdString();
        EXPECT_EQ(parsed.valueOr("Password"), QStringLiteral("=pw"));
    }
}

// Guards against values misread by the OLE DB rules: case-insensitive keys, quoted values with
// doubled quotes and the separator inside, blanks around unquoted values, last key wins.
TEST(ConnectionString, ParsesOleDbQuotingRules) {
    const auto parsed = ConnectionString::parseStrictly(
        QStringLiteral(" provider = SQLOLEDB.1 ;PASSWORD=\"a\"\"b;c\";user id='O''Neil' ;"
                       "Initial Catalog=  TAVOR_07  ;Data Source=x;data source=y;;"));
    EXPECT_EQ(parsed.valueOr(QStringLiteral("Password")), QStringLiteral("a\"b;c"));
    EXPECT_EQ(parsed.valueOr(QStringLiteral("User ID")), QStringLiteral("O'Neil"));
    EXPECT_EQ(parsed.valueOr(QStringLiteral("initial catalog")), QStringLiteral("TAVOR_07"));
    EXPECT_EQ(parsed.valueOr(QStringLiteral("Data Source")), QStringLiteral("y"));
    EXPECT_TRUE(parsed.value(QStringLiteral("PROVIDER")));
    EXPECT_FALSE(parsed.value(QStringLiteral("Workstation ID")));
    EXPECT_EQ(parsed.keys(), QStringList({"provider", "PASSWORD", "user id", "Initial Catalog",
                                          "Data Source", "data source"}));
}

// Guards against a synonym given earlier overriding one given later, and against an '='
// written as "==" inside a key cutting the key short.
TEST(ConnectionString, LastOfSynonymsWinsAndKeysMayHoldEquals) {
    const QStringList server = {QStringLiteral("Data Source"), QStringLiteral("Server")};
    EXPECT_EQ(ConnectionString::parse("Server=a;Data Source=b").valueOfAny(server), "b");
    EXPECT_EQ(ConnectionString::parse("Data Source=b;server=a").valueOfAny(server), "a");
    EXPECT_FALSE(ConnectionString::parse("Database=d").valueOfAny(server));
    EXPECT_EQ(ConnectionString::parseStrictly("a==b=c").valueOr("a=b"), QStringLiteral("c"));
}

// Guards against a malformed string read differently by the router than by the server adapter:
// the forgiving reading keeps what it can, the strict one refuses without quoting any value.
TEST(ConnectionString, MalformedFieldsAreSkippedOrRefused) {
    struct Case {
        QString text;
        QString dataSource; // what the forgiving reading finds; empty when none
        QString secret;     // a value the refusal must not show
    };
    const QList<Case> cases = {
        {"Password;Data Source=embedded:/x", "embedded:/x", ""},
        {"Password=\"se\"cret;Data Source=srv", "srv", "cret"},
        {"Password=\"secret;Data Source=srv", "", "secret"},
        {"=secret;Data Source=srv", "srv", "secret"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConnectionString::parse(c.text).valueOr("Data Source"), c.dataSource)
            << c.text.toStdString();
        const QString refusal = strictRefusalOf(c.text);
        EXPECT_TRUE(refusal.startsWith("The connection string is not valid"))
            << c.text.toStdString();
        if (!c.secret.isEmpty()) {
            EXPECT_FALSE(refusal.contains(c.secret)) << refusal.toStdString();
        }
    }
    EXPECT_EQ(ConnectionString::parse("Password=\"se\"cret;x").valueOr("Password"), "se");
    EXPECT_EQ(ConnectionString::parse("Password=\"a;b").valueOr("Password"), "a;b");
}
