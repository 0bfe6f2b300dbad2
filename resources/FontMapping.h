#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// The window's design fonts are Windows faces; on this host they stand for
// installed faces that shape Arabic ("Fixedsys" for a monospace face, whose
// Arabic comes from the font fallback).
class FontMapping {
public:
    // Registers the substitutions with Qt; call once before any window is built.
    static void install();

    // The faces that stand for a design font, first choice first; empty for
    // a family that is not a design font.
    static QStringList substitutesFor(const QString& designFamily);
};

} // namespace tavor
