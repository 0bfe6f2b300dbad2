#include "modules/NewLink.h"
#include "platform/registry/RegistryKeys.h"

#include "base/Outcome.h"

namespace tavor::NewLink {

namespace {

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
    QString serverName;
    QString databaseName;
    double useIni = 0;

    ignoreFailure(
        [&] { ApiObject.InIFile().setFileName(programFolder + QStringLiteral("/Setting.ini")); });
    ignoreFailure([&] {
        useIni = LeadingNumber(
            ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("Useini")));
    });

    if (useIni == 0) {
        ignoreFailure([&] {
            serverName =
                ApiObject.Regestry().get_String(RegistryKeys::Link, QStringLiteral("_Server"));
        });
        ignoreFailure([&] {
            databaseName =
                ApiObject.Regestry().get_String(RegistryKeys::Link, QStringLiteral("_DBase"));
        });
    } else {
        ignoreFailure([&] {
            databaseName =
                ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("DBName"));
        });
        ignoreFailure([&] {
            serverName = ApiObject.InIFile().GetIniFile(SettingsSection, QStringLiteral("Server"));
        });
    }

    DBName = databaseName;
    return serverName;
}

} // namespace tavor::NewLink
