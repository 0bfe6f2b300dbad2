#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavor {

// The databases of an embedded server: one SQLite file <folder>/<name>.db per
// database, names matched without regard to case as the server matches them.
class EmbeddedCatalog {
public:
    explicit EmbeddedCatalog(const QString& folder);

    const QString& folder() const { return folder_; }

    // Names as stored, in the folder's order.
    QStringList names() const;
    // The name as stored and its file, when a database of that name exists.
    std::optional<QString> storedName(const QString& name) const;
    QString fileOf(const QString& storedName) const;

    // Raise tavor::Error with the server's number when the name exists (create)
    // or does not (drop), or is not a name a file can carry.
    void create(const QString& name);
    // A database whose data and log files lie elsewhere (a restore moved them
    // there): the catalogue reaches them through links of its own.
    void attachFiles(const QString& name, const QString& dataFile, const QString& logFile);
    // Removes the database's files, also those a link leads to.
    void drop(const QString& name);

private:
    static void checkName(const QString& name);
    void checkFree(const QString& name) const;
    QString logLinkOf(const QString& storedName) const;

    QString folder_;
};

} // namespace tavor
