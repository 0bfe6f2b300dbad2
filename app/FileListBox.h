#pragma once

#include <QListWidget>

namespace tavor {

// A list box showing the files of one folder that match a wildcard pattern. The
// listing itself is read elsewhere; the box shows it.
class FileListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString path() const { return path_; }
    QString pattern() const { return pattern_; }
    QStringList names() const;

    void showListing(const QString& folder, const QString& pattern, const QStringList& names);

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

} // namespace tavor
