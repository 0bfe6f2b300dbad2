#include "app/FileListBox.h"

namespace tavor {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

QStringList FileListBox::names() const {
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names << item(i)->text();
    return names;
}

void FileListBox::showListing(const QString& folder, const QString& pattern,
                              const QStringList& names) {
    path_ = folder;
    pattern_ = pattern;
    clear();
    addItems(names);
}

} // namespace tavor
