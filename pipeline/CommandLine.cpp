#include "pipeline/CommandLine.h"

#include "base/BlankTrim.h"

namespace tavor {

CommandLine::CommandLine(const QString& text) : text_(BlankTrim::trim(text).toUpper()) {}

CommandLine CommandLine::fromArguments(const QStringList& arguments) {
    return CommandLine(arguments.join(QLatin1Char(' ')));
}

} // namespace tavor
