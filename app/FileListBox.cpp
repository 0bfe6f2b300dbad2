#include "app/FileListBox.h"

#include <QDir>

namespace tavor {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

void FileListBox::setPath(const QString& folder) {
    path_ = folder;
    Refresh();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    clear();
    if (path_.isEmpty())
        return;
    // "*.*" means every file, whether or not its name has a dot.
    QStringList filters;
    for (const QString& part : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        filters << (part.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : part.trimmed());
    const QDir folder(path_);
    addItems(folder.entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

} // namespace tavor
