#include "ScriptedTdsPeer.h"

#include "platform/Error.h"
#include "platform/odbc/OdbcConnection.h"

#include <gtest/gtest.h>

using tavor::Error;
using tavor::OdbcConnection;

namespace {

QString connectionString(const ScriptedTdsPeer& peer, const QString& user = QStringLiteral("sa"),
                         const QString& password = QStringLiteral("secret")) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=TAVOR_07;"
                          "Data Source=127.0.0.1,%3")
        .arg(password, user)
        .arg(peer.port());
}

} // namespace

TEST(OdbcConnection, Smoke) {
    ScriptedTdsPeer peer;
    peer.script(QStringLiteral("SELECT SV_Value"),
                ScriptedTdsPeer::Reply::scalar(QStringLiteral("بنك")));
    OdbcConnection connection;
    try {
        connection.open(connectionString(peer));
        auto v = connection.readFirstValue(QStringLiteral("SELECT SV_Value FROM X"));
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->toString(), QStringLiteral("بنك"));
    } catch (const Error& e) {
        FAIL() << e.report().toStdString();
    }
}
