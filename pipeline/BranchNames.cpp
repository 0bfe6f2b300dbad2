#include "pipeline/BranchNames.h"

#include <cmath>

namespace tavor {

namespace {

QString lastTwo(const QString& text) {
    return text.right(2);
}

// The numeric value of a text as the "000" format and the branch-four rule read
// it: the whole trimmed text must be a number.
bool numericValue(const QString& text, double& value) {
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString BranchNames::FixPath(const QString& path) {
    QString fixed = path.trimmed();
    if (!fixed.endsWith(QLatin1Char('/')))
        fixed += QLatin1Char('/');
    return fixed;
}

QString BranchNames::GetFile(const QString& path, bool cutAtFirstDot) {
    const QString trimmed = path.trimmed();
    const qsizetype lastSeparator =
        std::max(trimmed.lastIndexOf(QLatin1Char('/')), trimmed.lastIndexOf(QLatin1Char('\\')));
    QString name = trimmed.mid(lastSeparator + 1);
    if (cutAtFirstDot) {
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot >= 0)
            name.truncate(dot);
    }
    return name;
}

QString BranchNames::DatabasePrefix(const QString& databaseName) {
    const qsizetype underscore = databaseName.indexOf(QLatin1Char('_'));
    return (underscore < 0 ? databaseName : databaseName.left(underscore + 1)).toUpper();
}

QString BranchNames::FormatBranchNumber(const QString& branchNumber) {
    double value = 0;
    if (!numericValue(branchNumber, value))
        return branchNumber;
    const long long rounded = std::llround(value);
    const QString digits = QString::number(std::llabs(rounded)).rightJustified(3, QLatin1Char('0'));
    return rounded < 0 ? QLatin1Char('-') + digits : digits;
}

QString BranchNames::FinaName(const QString& branchNumber, const QString& databaseName) {
    return QLatin1Char('F') + FormatBranchNumber(branchNumber) + QStringLiteral("20") +
           lastTwo(databaseName);
}

QStringList BranchNames::FinaFileCandidates(const QString& backupPath, const QString& finaPath,
                                            const QString& branchNumber,
                                            const QString& databaseName) {
    const QString fina = FinaName(branchNumber, databaseName);
    const QString two = lastTwo(databaseName);
    QStringList candidates;
    const qsizetype tavor = backupPath.toUpper().indexOf(QStringLiteral("TAVOR"));
    if (tavor >= 0)
        candidates << backupPath.left(tavor) + QStringLiteral("Tavor/Varnel/") + fina + '/' + fina +
                          QStringLiteral(".mdb");
    candidates << finaPath + '/' + fina + '/' + fina + QStringLiteral(".mdb");
    const QString f001 = QStringLiteral("F00120") + two;
    candidates << finaPath + '/' + f001 + '/' + f001 + QStringLiteral(".mdb");
    double value = 0;
    if (numericValue(branchNumber, value) && value == 4) {
        const QString f012 = QStringLiteral("F01220") + two;
        candidates << finaPath + '/' + f012 + '/' + f012 + QStringLiteral(".mdb");
    }
    return candidates;
}

QString BranchNames::LcsDatabase(const QString& branchNumber) {
    return QStringLiteral("LCS_") + FormatBranchNumber(branchNumber);
}

int BranchNames::HistoryIntervalDays(const QString& branchType) {
    // The special branch type has the marker right after its first character.
    return branchType.indexOf(QStringLiteral("فر")) == 1 ? -1 : 2;
}

} // namespace tavor
