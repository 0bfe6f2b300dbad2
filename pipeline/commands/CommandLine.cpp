#include "pipeline/commands/CommandLine.h"

#include "base/BlankTrim.h"

namespace tavor {

CommandLine::CommandLine(const QString& text) : text_(BlankTrim::trim(text).toUpper()) {}

CommandLine CommandLine::fromArguments(const QStringList& arguments) {
    CommandLine line(arguments.join(QLatin1Char(' ')));
    line.arguments_ = arguments;
    return line;
}

bool CommandLine::startsWith(const char* command) const {
    return !arguments_.isEmpty() &&
           BlankTrim::trim(arguments_.front())
                   .compare(QLatin1String(command), Qt::CaseInsensitive) == 0;
}

QString CommandLine::folderAfter(const char* command) const {
    return startsWith(command) && arguments_.size() == 2 ? arguments_.at(1) : QString();
}

bool CommandLine::isVerify() const {
    return startsWith(Verify);
}

QString CommandLine::verifyFolder() const {
    return folderAfter(Verify);
}

bool CommandLine::isDrill() const {
    return startsWith(Drill);
}

QString CommandLine::drillFolder() const {
    return folderAfter(Drill);
}

} // namespace tavor
