#pragma once

#include <QListWidget>

namespace tavor {

// A list box showing the files of one folder that match a wildcard pattern.
class FileListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString path() const { return path_; }
    void setPath(const QString& folder);
    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    // Re-reads the folder.
    void Refresh();

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

} // namespace tavor
