#pragma once

#include <QString>

// The busy clip lives in the static resources library; a static library's resources are
// registered only when a function of the program asks for them.
void tavorInitBusyResources();

namespace tavor::BusyResources {
// RIFF AVI, RLE8, 210 x 40, 60 frames at 15 frames per second, 16 colours, silent.
inline const QString Clip = QStringLiteral(":/busy/dobk.avi");
} // namespace tavor::BusyResources
