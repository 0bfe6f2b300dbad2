#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace tavor {

// The connection string the window builds for the server
// ("Provider=SQLOLEDB.1;Password=...;User ID=...;Initial Catalog=...;Data Source=..."),
// parsed by the OLE DB rules and translated field by field into the string the FreeTDS
// ODBC driver understands. Malformed or inexpressible input raises tavor::Error; no
// description ever contains the password.
class OleDbConnectionString {
public:
    explicit OleDbConnectionString(const QString& text);

    // The value of a field, keys compared without regard to case; empty when absent.
    QString value(const QString& key) const;
    bool contains(const QString& key) const;

    // "Driver={FreeTDS};Server=...;Port=...;Database=...;UID=...;PWD=...;TDS_Version=7.4;
    // ClientCharset=UTF-8", values braced where they need it.
    QString toOdbc() const;

private:
    void parse(const QString& text);
    QString valueOfAny(std::initializer_list<const char*> keys) const;
    bool containsAny(std::initializer_list<const char*> keys) const;

    QList<QPair<QString, QString>> fields_; // keys lower-cased, in the order given
};

} // namespace tavor
