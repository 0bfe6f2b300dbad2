#include "formats/connectionstring/OleDbConnectionString.h"

#include "base/Error.h"

namespace tavor {

namespace {

Error inexpressible(const QString& what) {
    return Error(ErrorNumber::ProviderError,
                 QStringLiteral("The connection string cannot be used: %1.").arg(what));
}

// The driver reads a value up to the next ';' unless it opens with '{'; a braced value runs
// to the first "};" and nothing inside it is escaped (a doubled '}' stays doubled), so a
// value holding "};" cannot be written at all.
QString odbcValue(const QString& value, const QString& field) {
    const bool needsBraces =
        value.startsWith(u'{') || value.contains(u';') ||
        std::any_of(value.begin(), value.end(), [](QChar c) { return c.isSpace(); });
    if (!needsBraces) {
        return value;
    }
    if (value.contains(QStringLiteral("};"))) {
        throw inexpressible(
            QStringLiteral("the field \"%1\" contains \"};\", which the driver cannot read")
                .arg(field));
    }
    return u'{' + value + u'}';
}

void refuseNul(const QString& value, const QString& field) {
    if (value.contains(QChar(u'\0'))) {
        throw inexpressible(QStringLiteral("the field \"%1\" contains a NUL character").arg(field));
    }
}

struct ServerAddress {
    QString host;
    QString instance;
    QString port;
};

QString portOf(const QString& text, const QString& dataSource) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535 || text.startsWith(u'+')) {
        throw inexpressible(QStringLiteral("the port in Data Source \"%1\" is not a number from "
                                           "1 to 65535")
                                .arg(dataSource));
    }
    return QString::number(port);
}

// "host", "host,port", "host\instance" or "host\instance,port", optionally after "tcp:".
ServerAddress parseDataSource(const QString& dataSource) {
    QString text = dataSource.trimmed();
    if (text.startsWith(QStringLiteral("tcp:"), Qt::CaseInsensitive)) {
        text = text.mid(4).trimmed();
    } else if (text.startsWith(QStringLiteral("np:"), Qt::CaseInsensitive) ||
               text.startsWith(QStringLiteral("lpc:"), Qt::CaseInsensitive) ||
               text.startsWith(QStringLiteral("admin:"), Qt::CaseInsensitive)) {
        throw inexpressible(QStringLiteral("only TCP/IP reaches the server from this computer, "
                                           "not the protocol named in Data Source \"%1\"")
                                .arg(dataSource));
    }
    ServerAddress address;
    const qsizetype comma = text.lastIndexOf(u',');
    if (comma >= 0) {
        address.port = portOf(text.mid(comma + 1).trimmed(), dataSource);
        text = text.left(comma).trimmed();
    }
    const qsizetype backslash = text.indexOf(u'\\');
    if (backslash >= 0) {
        address.instance = text.mid(backslash + 1).trimmed();
        text = text.left(backslash).trimmed();
    }
    if (text == u'.' || text.compare(QStringLiteral("(local)"), Qt::CaseInsensitive) == 0) {
        text = QStringLiteral("localhost");
    }
    if (text.isEmpty()) {
        throw inexpressible(QStringLiteral("Data Source names no server"));
    }
    address.host = text;
    return address;
}

} // namespace

OleDbConnectionString::OleDbConnectionString(const QString& text)
    : fields_(ConnectionString::parseStrictly(text)) {}

QString OleDbConnectionString::dataSource() const {
    return valueOfAny({QStringLiteral("Data Source"), QStringLiteral("Server")});
}

QString OleDbConnectionString::valueOfAny(const QStringList& keys) const {
    return fields_.valueOfAny(keys).value_or(QString());
}

QString OleDbConnectionString::toOdbc() const {
    static const QStringList understood = {
        QStringLiteral("provider"),        QStringLiteral("persist security info"),
        QStringLiteral("password"),        QStringLiteral("pwd"),
        QStringLiteral("user id"),         QStringLiteral("uid"),
        QStringLiteral("initial catalog"), QStringLiteral("database"),
        QStringLiteral("data source"),     QStringLiteral("server")};
    for (const QString& key : fields_.keys()) {
        if (!understood.contains(key.toLower())) {
            throw inexpressible(
                QStringLiteral("the field \"%1\" is not supported").arg(key.toLower()));
        }
    }
    const QString provider = fields_.valueOr(QStringLiteral("Provider"));
    if (!provider.isEmpty() &&
        !provider.startsWith(QStringLiteral("SQLOLEDB"), Qt::CaseInsensitive)) {
        throw inexpressible(
            QStringLiteral("the provider \"%1\" is not SQL Server's").arg(provider));
    }

    const QString dataSource =
        valueOfAny({QStringLiteral("Data Source"), QStringLiteral("Server")});
    const QString database =
        valueOfAny({QStringLiteral("Initial Catalog"), QStringLiteral("Database")});
    const QString user = valueOfAny({QStringLiteral("User ID"), QStringLiteral("UID")});
    const QString password = valueOfAny({QStringLiteral("Password"), QStringLiteral("PWD")});
    refuseNul(dataSource, QStringLiteral("Data Source"));
    refuseNul(database, QStringLiteral("Initial Catalog"));
    refuseNul(user, QStringLiteral("User ID"));
    refuseNul(password, QStringLiteral("Password"));
    if (dataSource.trimmed().isEmpty()) {
        throw inexpressible(QStringLiteral("Data Source names no server"));
    }

    const ServerAddress address = parseDataSource(dataSource);
    QString odbc = QStringLiteral("Driver={FreeTDS};");
    if (!address.port.isEmpty()) {
        // An explicit port wins over the instance name, which would only be asked for it.
        odbc += QStringLiteral("Server=%1;Port=%2;")
                    .arg(odbcValue(address.host, QStringLiteral("Data Source")), address.port);
    } else if (!address.instance.isEmpty()) {
        odbc += QStringLiteral("Server=%1;")
                    .arg(odbcValue(address.host + u'\\' + address.instance,
                                   QStringLiteral("Data Source")));
    } else {
        odbc += QStringLiteral("Server=%1;")
                    .arg(odbcValue(address.host, QStringLiteral("Data Source")));
    }
    if (!database.isEmpty()) {
        odbc += QStringLiteral("Database=%1;")
                    .arg(odbcValue(database, QStringLiteral("Initial Catalog")));
    }
    odbc += QStringLiteral("UID=%1;PWD=%2;")
                .arg(odbcValue(user, QStringLiteral("User ID")),
                     odbcValue(password, QStringLiteral("Password")));
    odbc += QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8");
    return odbc;
}

} // namespace tavor
