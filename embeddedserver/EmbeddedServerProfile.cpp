#include "embeddedserver/EmbeddedServerProfile.h"

#include "formats/ini/IniDocument.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace tavor {

EmbeddedServerProfile EmbeddedServerProfile::read(const QString& folder) {
    EmbeddedServerProfile profile;
    QFile file(QDir(folder).filePath(QStringLiteral("server.ini")));
    if (!file.open(QIODevice::ReadOnly))
        return profile;
    const IniDocument ini = IniDocument::parse(file.readAll());
    const QString section = QStringLiteral("Server");
    if (const auto version = ini.value(section, QStringLiteral("ProductVersion"));
        version && !version->trimmed().isEmpty())
        profile.productVersion = version->trimmed();
    bool isNumber = false;
    const int edition =
        ini.value(section, QStringLiteral("EngineEdition")).value_or(QString()).toInt(&isNumber);
    if (isNumber)
        profile.engineEdition = edition;
    profile.edition = ini.value(section, QStringLiteral("Edition")).value_or(QString()).trimmed();
    profile.certificates =
        ini.value(section, QStringLiteral("Certificates"))
            .value_or(QString())
            .split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    return profile;
}

int EmbeddedServerProfile::majorVersion() const {
    return productVersion.section(QLatin1Char('.'), 0, 0).toInt();
}

bool EmbeddedServerProfile::hasCertificate(const QString& name) const {
    return certificates.contains(name, Qt::CaseInsensitive);
}

bool EmbeddedServerProfile::editionEncryptsBackups() const {
    const QString name = editionName();
    return engineEdition != ExpressEdition &&
           !name.startsWith(QLatin1String("Express"), Qt::CaseInsensitive) &&
           !name.startsWith(QLatin1String("Web"), Qt::CaseInsensitive);
}

QString EmbeddedServerProfile::editionName() const {
    if (!edition.isEmpty())
        return edition;
    switch (engineEdition) {
    case 2:
        return QStringLiteral("Standard Edition (64-bit)");
    case 3:
        return QStringLiteral("Enterprise Edition (64-bit)");
    case ExpressEdition:
        return QStringLiteral("Express Edition (64-bit)");
    default:
        return QStringLiteral("Edition %1").arg(engineEdition);
    }
}

} // namespace tavor
