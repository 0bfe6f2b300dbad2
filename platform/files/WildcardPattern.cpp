#include "platform/files/WildcardPattern.h"

#include "base/BlankTrim.h"

namespace tavor {

WildcardPattern::WildcardPattern(const QString& pattern)
    : folded_(pattern.toCaseFolded()), everything_(pattern == QLatin1String("*.*")) {}

bool WildcardPattern::matches(const QString& name) const {
    if (everything_)
        return true;
    const QString text = name.toCaseFolded();
    // Greedy matching that returns to the last '*' on a mismatch: linear in
    // practice, never exponential.
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (t < text.size()) {
        if (p < folded_.size() && (folded_[p] == QLatin1Char('?') || folded_[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < folded_.size() && folded_[p] == QLatin1Char('*')) {
            starAt = p++;
            resumeAt = t;
        } else if (starAt >= 0) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < folded_.size() && folded_[p] == QLatin1Char('*'))
        ++p;
    return p == folded_.size();
}

QList<WildcardPattern> WildcardPattern::list(const QString& patterns) {
    QList<WildcardPattern> result;
    for (const QString& part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = BlankTrim::trim(part);
        if (!pattern.isEmpty())
            result.append(WildcardPattern(pattern));
    }
    return result;
}

} // namespace tavor
