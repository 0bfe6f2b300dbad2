#include "pipeline/commands/CommandLine.h"

#include "base/BlankTrim.h"

namespace tavor {

CommandLine::CommandLine(const QString& text) : text_(BlankTrim::trim(text).toUpper()) {}

CommandLine CommandLine::fromArguments(const QStringList& arguments) {
    CommandLine line(arguments.join(QLatin1Char(' ')));
    line.arguments_ = arguments;
    return line;
}

bool CommandLine::isVerify() const {
    return !arguments_.isEmpty() &&
           BlankTrim::trim(arguments_.front())
                   .compare(QLatin1String(Verify), Qt::CaseInsensitive) == 0;
}

QString CommandLine::verifyFolder() const {
    return isVerify() && arguments_.size() == 2 ? arguments_.at(1) : QString();
}

} // namespace tavor
