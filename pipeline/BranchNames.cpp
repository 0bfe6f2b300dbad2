#include "pipeline/BranchNames.h"

#include "base/BlankTrim.h"

#include <cmath>

namespace tavor {

namespace {

QString lastTwo(const QString& text) {
    return text.right(2);
}

// The numeric value of a text as the "000" format and the branch-four rule read
// it: the whole trimmed text must be a number.
bool numericValue(const QString& text, double& value) {
    const QString number = BlankTrim::trim(text);
    // toDouble would skip other white space too.
    if (number.isEmpty() || number.front().isSpace() || number.back().isSpace())
        return false;
    bool ok = false;
    value = number.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString BranchNames::FixPath(const QString& path) {
    QString fixed = BlankTrim::trim(path);
    if (!fixed.endsWith(QLatin1Char('/')))
        fixed += QLatin1Char('/');
    return fixed;
}

QString BranchNames::GetFile(const QString& path, bool cutAtFirstDot) {
    const QString trimmed = BlankTrim::trim(path);
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
    // No branch has a number beyond 64 bits; such a text is shown as written rather
    // than as digits of a rounded binary value.
    constexpr double kBeyond = 9223372036854775808.0; // 2^63
    if (std::fabs(std::round(value)) >= kBeyond)
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
    // Found on the path itself: upper-casing may change its length ("ß" to "SS").
    const qsizetype tavor = backupPath.indexOf(QStringLiteral("TAVOR"), 0, Qt::CaseInsensitive);
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
