#include "modules/NewLink.h"

#include "base/PendingError.h"

namespace tavor::NewLink {

namespace {

const QString LinkKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");
const QString SettingsSection = QStringLiteral("Main");

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype skipDigits(const QString& text, qsizetype at) {
    while (at < text.size() && isDigit(text.at(at)))
        ++at;
    return at;
}

bool isSign(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

double LeadingNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() &&
           (text.at(start) == QLatin1Char(' ') || text.at(start) == QLatin1Char('\t')))
        ++start;
    qsizetype end = start;
    if (end < text.size() && isSign(text.at(end)))
        ++end;
    const qsizetype integerStart = end;
    end = skipDigits(text, end);
    qsizetype digits = end - integerStart;
    if (end < text.size() && text.at(end) == QLatin1Char('.')) {
        const qsizetype fractionEnd = skipDigits(text, end + 1);
        digits += fractionEnd - end - 1;
        end = fractionEnd;
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it ("1e" is 1).
    if (end < text.size() &&
        (text.at(end) == QLatin1Char('e') || text.at(end) == QLatin1Char('E'))) {
        qsizetype exponent = end + 1;
        if (exponent < text.size() && isSign(text.at(exponent)))
            ++exponent;
        const qsizetype exponentEnd = skipDigits(text, exponent);
        if (exponentEnd > exponent)
            end = exponentEnd;
    }
    return text.mid(start, end - start).toDouble();
}

QString ResolveDatabaseLink(ORVApi& ApiObject, const QString& programFolder, QString& DBName) {
    PendingError pending;
    QString serverName;
    QString databaseName;
    double useIni = 0;

    pending.attempt(
        [&] { ApiObject.InIFile().setFileName(programFolder + QStringLiteral("/Setting.ini")); });
    pending.attempt([&] {
        useIni = LeadingNumber(
            ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("Useini")));
    });

    if (useIni == 0) {
        pending.attempt([&] {
            serverName = ApiObject.Regestry().get_String(LinkKey, QStringLiteral("_Server"));
        });
        pending.attempt([&] {
            databaseName = ApiObject.Regestry().get_String(LinkKey, QStringLiteral("_DBase"));
        });
    } else {
        pending.attempt([&] {
            databaseName =
                ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("DBName"));
        });
        pending.attempt([&] {
            serverName = ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("Server"));
        });
    }

    DBName = databaseName;
    return serverName;
}

} // namespace tavor::NewLink
