#pragma once

#include <QString>

// The window's pictures live in the static resources library; a static library's
// resources are registered only when a function of the program asks for them.
void tavorInitWindowResources();

namespace tavor::WindowPictures {
inline const QString Banner = QStringLiteral(":/window/banner.bmp");     // 117 x 256, 24-bit
inline const QString Icon = QStringLiteral(":/window/icon.png");         // 32 x 32, 256 colours
inline const QString HardDisk = QStringLiteral(":/window/harddisk.gif"); // 17 x 11
inline const QString RemovableDrive = QStringLiteral(":/window/removable.gif"); // 17 x 11
} // namespace tavor::WindowPictures
