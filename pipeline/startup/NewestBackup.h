#pragma once

#include "pipeline/BackupContext.h"

namespace tavor {

// Chooses the main database's newest backup file in the backup folder: lists the
// folder through a pattern built from the database name, orders the names by a
// key that leaves out the seven characters after the first underscore, and takes
// the last. The maintenance panel shows the listing and the order.
class NewestBackup {
public:
    explicit NewestBackup(BackupContext& context) : context_(context) {}

    struct Choice {
        // The full path of the chosen file, or the backup folder alone (ending in
        // the separator) when no file matches or the folder cannot be read.
        QString path;
        // Why the backup folder could not be read; empty when it was.
        QString unreadableFolder;
    };
    // The main backup comes from the backup folder only: the listing shown before
    // (the program's own folder) never supplies it.
    Choice SortList();

    // The pattern box changed or one of its entries was chosen: list with its text.
    void Text2_Change();

    // The exchange sort of the backup names, compared by sortKey with the
    // underscore position taken from the first name of each pair.
    static void exchangeSort(QStringList& names);
    // The name without the seven characters after position p (counted from 1).
    static QString sortKey(const QString& name, qsizetype p);

private:
    void applyPattern(const QString& pattern);
    void showListing();

    BackupContext& context_;
};

} // namespace tavor
