#pragma once

#include <QList>
#include <QString>

namespace tavor {

// A file-name pattern as folder listings take it: "*" matches any run of
// characters, "?" exactly one, every other character itself regardless of case.
// "*.*" alone matches every name, with or without a dot.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);

    bool matches(const QString& name) const;

    // The patterns of a list separated by ';', blanks around each removed.
    static QList<WildcardPattern> list(const QString& patterns);

private:
    QString folded_;
    bool everything_ = false;
};

} // namespace tavor
