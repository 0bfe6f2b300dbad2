#include "pipeline/serverbackup/ServerGeneration.h"

#include "pipeline/MainState.h"

namespace tavor {

namespace {

const QString kExpressEngine = QStringLiteral("4");

bool editionIs(const QString& edition, const char* name) {
    return edition.startsWith(QLatin1String(name), Qt::CaseInsensitive);
}

} // namespace

ServerGeneration::ServerGeneration(const QString& productVersion, const QString& engineEdition,
                                   const QString& edition)
    : version_(productVersion.trimmed()), engineEdition_(engineEdition.trimmed()),
      edition_(edition.trimmed()) {
    bool isNumber = false;
    const int major = version_.section(QLatin1Char('.'), 0, 0).toInt(&isNumber);
    major_ = isNumber ? major : 0;
}

ServerGeneration ServerGeneration::of(const MainState& state) {
    return ServerGeneration(state.ServerVersion, state.ServerEdition, state.ServerEditionName);
}

QString ServerGeneration::whyNoEncryption() const {
    if (major_ < 12)
        return QStringLiteral("the server's version %1 cannot encrypt backups (encryption needs "
                              "version 12 or later)")
            .arg(version_);
    if (engineEdition_ == kExpressEngine || editionIs(edition_, "Express") ||
        editionIs(edition_, "Web"))
        return QStringLiteral("the server's edition %1 cannot encrypt backups")
            .arg(edition_.isEmpty() ? QStringLiteral("Express") : edition_);
    return {};
}

} // namespace tavor
