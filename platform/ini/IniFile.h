#pragma once

#include "formats/ini/IniDocument.h"

#include <QString>

namespace tavor {

// An INI file on disk, read afresh on every call (other programs may change it)
// and replaced atomically on every write.
//
// A missing file reads as empty. A file larger than MaxBytes or holding NUL bytes
// is not a settings file: it reads as empty and is never overwritten. A path that
// exists but cannot be read (a folder, no permission) raises tavor::Error.
class IniFile {
public:
    static constexpr qint64 MaxBytes = 1024 * 1024;

    explicit IniFile(QString path);
    const QString& path() const { return path_; }

    std::optional<QString> value(const QString& section, const QString& key) const;
    QList<std::pair<QString, QString>> entries(const QString& section) const;

    // Raises tavor::Error when the entry cannot be stored; the file on disk is then
    // left as it was.
    void setValue(const QString& section, const QString& key, const QString& value);

private:
    enum class Content { Missing, Text, NotText };
    struct Loaded {
        Content content = Content::Missing;
        IniDocument document;
    };

    Loaded load() const;
    void save(const IniDocument& document) const;

    QString path_;
};

} // namespace tavor
