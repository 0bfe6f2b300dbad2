#pragma once

#include <QString>

namespace tavor {

// The registry keys of the installation that this program reads and writes.
namespace RegistryKeys {
// The branch database link: values "_Server" and "_DBase".
inline const QString Link = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");
// The operator's backup settings: value "Drive", the drive of the last run.
inline const QString Backup = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");
// The installation: value "ServerPath", the share holding the update folder.
inline const QString Installation = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor");
// Extra folders listed as drives: value name the folder, value the drive type.
inline const QString Drives = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Drives");
// The bank library's own settings: its stored login.
inline const QString Banks = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Banks");
// The technician's settings of the backup, each read by TechnicianSettings.
inline const QString Technician =
    QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Backup");
} // namespace RegistryKeys

} // namespace tavor
