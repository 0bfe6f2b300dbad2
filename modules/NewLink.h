#pragma once

#include "platform/api/ORVApi.h"

#include <QString>

namespace tavor::NewLink {

// The numeric value of the number a text starts with (blanks before it skipped);
// 0 when the text does not start with a number. " 2x" is 2, "-1" is -1, ".5" is 0.5.
double LeadingNumber(const QString& text);

// Which server and database hold this branch's data: from Setting.ini in the
// program's folder when its "Useini" is a non-zero number, else from the current
// user's registry. Fills DBName and returns the server name, both exactly as read
// (either may be empty). Failing reads are skipped; nothing is written anywhere.
QString ResolveDatabaseLink(ORVApi& ApiObject, const QString& programFolder, QString& DBName);

} // namespace tavor::NewLink
