#pragma once

#include <QString>

namespace tavor {

// Trimming as the program means it: only blanks (U+0020) are removed at both
// ends. Tabs, line breaks and no-break spaces are part of the text.
class BlankTrim {
public:
    static QString trim(const QString& text) {
        qsizetype first = 0;
        qsizetype last = text.size();
        while (first < last && text[first] == QLatin1Char(' '))
            ++first;
        while (last > first && text[last - 1] == QLatin1Char(' '))
            --last;
        return text.mid(first, last - first);
    }
};

} // namespace tavor
