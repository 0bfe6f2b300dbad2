#include "formats/ini/IniDocument.h"

#include "base/Error.h"

#include <QSet>
#include <QStringDecoder>

namespace tavor {

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

bool hasLineBreakOrNul(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0));
}

// Text of a line's name or value. A leading U+FEFF is kept: decoding that dropped it
// would make a name stored with one never match itself when read back.
QString decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

[[noreturn]] void refuse(const QString& what) {
    throw Error(ErrorNumber::InvalidProcedureCall, what + QStringLiteral(" cannot be stored"));
}

} // namespace

QString IniDocument::fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

IniDocument::Line IniDocument::classify(QByteArray text) {
    Line line;
    const QByteArray trimmed = text.trimmed();
    if (trimmed.startsWith(';')) {
        line.kind = Kind::Other;
    } else if (trimmed.startsWith('[') && trimmed.endsWith(']') && trimmed.size() >= 2) {
        line.kind = Kind::Section;
        line.name = fold(decodeUtf8(trimmed.mid(1, trimmed.size() - 2)));
    } else if (const qsizetype equals = text.indexOf('='); equals >= 0) {
        line.kind = Kind::Entry;
        line.equals = equals;
        line.name = fold(decodeUtf8(text.left(equals)));
    }
    line.text = std::move(text);
    return line;
}

IniDocument IniDocument::parse(const QByteArray& bytes) {
    IniDocument document;
    QByteArray body = bytes;
    if (body.startsWith(Bom)) {
        document.bom_ = true;
        body.remove(0, Bom.size());
    }
    const qsizetype firstBreak = body.indexOf('\n');
    document.crlf_ = firstBreak > 0 && body.at(firstBreak - 1) == '\r';
    if (body.endsWith('\n'))
        body.chop(1);
    if (body.isEmpty() && firstBreak < 0)
        return document;
    for (QByteArray text : body.split('\n')) {
        if (text.endsWith('\r'))
            text.chop(1);
        document.lines_.push_back(classify(std::move(text)));
    }
    return document;
}

QByteArray IniDocument::toBytes() const {
    const QByteArray lineEnd = crlf_ ? QByteArray("\r\n") : QByteArray("\n");
    QByteArray bytes = bom_ ? Bom : QByteArray();
    for (const Line& line : lines_)
        bytes += line.text + lineEnd;
    return bytes;
}

std::optional<std::size_t> IniDocument::findSection(const QString& foldedSection) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && lines_[i].name == foldedSection)
            return i;
    }
    return std::nullopt;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::Section)
        ++end;
    return end;
}

std::optional<std::size_t> IniDocument::findEntry(std::size_t header,
                                                  const QString& foldedKey) const {
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Entry && lines_[i].name == foldedKey)
            return i;
    }
    return std::nullopt;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const auto header = findSection(fold(section));
    if (!header)
        return std::nullopt;
    const auto entry = findEntry(*header, fold(key));
    if (!entry)
        return std::nullopt;
    const Line& line = lines_[*entry];
    return decodeUtf8(line.text.mid(line.equals + 1));
}

QList<std::pair<QString, QString>> IniDocument::entries(const QString& section) const {
    QList<std::pair<QString, QString>> result;
    const auto header = findSection(fold(section));
    if (!header)
        return result;
    QSet<QString> seen;
    const std::size_t end = sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Entry || seen.contains(line.name))
            continue;
        seen.insert(line.name);
        result.append({decodeUtf8(line.text.left(line.equals)).trimmed(),
                       decodeUtf8(line.text.mid(line.equals + 1))});
    }
    return result;
}

void IniDocument::insertLine(std::size_t at, QByteArray text) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), classify(std::move(text)));
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QString keyName = key.trimmed();
    if (hasLineBreakOrNul(section))
        refuse(QStringLiteral("A section name with a line break"));
    if (keyName.isEmpty() || keyName.contains(QLatin1Char('=')) || hasLineBreakOrNul(keyName) ||
        keyName.startsWith(QLatin1Char(';')) || keyName.startsWith(QLatin1Char('[')))
        refuse(QStringLiteral("The key name \"%1\"").arg(key));
    if (hasLineBreakOrNul(value))
        refuse(QStringLiteral("A value with a line break"));

    const QByteArray valueBytes = value.toUtf8();
    auto header = findSection(fold(section));
    if (!header) {
        if (!lines_.empty() && !lines_.back().text.trimmed().isEmpty())
            insertLine(lines_.size(), QByteArray());
        insertLine(lines_.size(), '[' + section.trimmed().toUtf8() + ']');
        header = lines_.size() - 1;
    }
    if (const auto entry = findEntry(*header, fold(keyName))) {
        Line& line = lines_[*entry];
        line.text = line.text.left(line.equals + 1) + valueBytes;
        return;
    }
    std::size_t at = sectionEnd(*header);
    while (at > *header + 1 && lines_[at - 1].text.trimmed().isEmpty())
        --at;
    insertLine(at, keyName.toUtf8() + '=' + valueBytes);
}

} // namespace tavor
