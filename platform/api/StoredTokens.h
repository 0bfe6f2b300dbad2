#pragma once

#include <QString>

// The program's stored tokens, enciphered; secret().SimpleSecrit gives their clear text.
namespace tavor::StoredTokens {
// The password put on every backup of a run (11 characters).
inline const QString MediaPassword = QStringLiteral("\"q2=`1dY]?d");
// The database login used when the bank library supplies none (7 and 2 characters).
inline const QString DatabasePassword = QStringLiteral("%o/>W.k");
inline const QString DatabaseUser = QStringLiteral("JZ");
} // namespace tavor::StoredTokens
