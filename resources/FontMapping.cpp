#include "resources/FontMapping.h"

#include <QFont>
#include <QHash>

namespace tavor {

namespace {

// Naskh for the calligraphic design face, the plain sans for the dialog faces.
// DejaVu Sans closes each list: it carries Latin and basic Arabic.
const QHash<QString, QStringList>& designFonts() {
    static const QHash<QString, QStringList> fonts = {
        {QStringLiteral("Simplified Arabic"),
         {QStringLiteral("Noto Naskh Arabic"), QStringLiteral("Noto Sans Arabic"),
          QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Tahoma"),
         {QStringLiteral("Noto Sans Arabic"), QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("MS Sans Serif"),
         {QStringLiteral("Noto Sans Arabic"), QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Fixedsys"),
         {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono"),
          QStringLiteral("Noto Mono")}},
    };
    return fonts;
}

} // namespace

void FontMapping::install() {
    for (auto it = designFonts().cbegin(); it != designFonts().cend(); ++it)
        QFont::insertSubstitutions(it.key(), it.value());
}

QStringList FontMapping::substitutesFor(const QString& designFamily) {
    return designFonts().value(designFamily);
}

} // namespace tavor
