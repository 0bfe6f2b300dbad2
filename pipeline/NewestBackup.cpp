#include "pipeline/NewestBackup.h"

#include "pipeline/BranchNames.h"
#include "base/BlankTrim.h"

#include <algorithm>

namespace tavor {

QString NewestBackup::SortList() {
    BackupWindow& window = context_.window;
    FileListing& listing = context_.fileList;
    const QString& database = context_.state.DatabaseName;

    pending_.attempt([&] { listing.setFolder(context_.state.BackupPath); });
    showListing();
    pending_.attempt([&] {
        window.appendPatternChoices({database + QStringLiteral("*b?.*"),
                                     database + QStringLiteral("*.*"), QStringLiteral("*.*")});
    });
    pending_.attempt([&] {
        window.selectFirstPatternChoice();
        applyPattern(window.patternText());
    });
    if (listing.names().isEmpty()) {
        pending_.attempt([&] {
            window.setPatternText(QString());
            applyPattern(QString());
        });
        pending_.attempt([&] {
            window.setPatternText(database + QStringLiteral("*b*.*"));
            applyPattern(database + QStringLiteral("*b*.*"));
        });
    }

    QStringList names = listing.names();
    exchangeSort(names);
    for (QString& name : names)
        name = BlankTrim::trim(name);
    pending_.attempt([&] { window.setOrderedNames(names); });
    return BranchNames::FixPath(listing.folder()) + (names.isEmpty() ? QString() : names.last());
}

void NewestBackup::Text2_Change() {
    pending_.attempt([&] { applyPattern(context_.window.patternText()); });
}

void NewestBackup::applyPattern(const QString& pattern) {
    try {
        context_.fileList.setPattern(pattern);
    } catch (const Error&) {
        showListing();
        throw;
    }
    showListing();
}

void NewestBackup::showListing() {
    const FileListing& listing = context_.fileList;
    pending_.attempt([&] {
        context_.window.showFileList(listing.folder(), listing.pattern(), listing.names());
    });
}

namespace {

// The key of sortKey as two views, so that the quadratic sort compares without
// building strings.
struct KeyView {
    KeyView(const QString& name, qsizetype p)
        : head(QStringView(name).left(std::min(p, name.size()))),
          tail(p + 7 < name.size() ? QStringView(name).mid(p + 7) : QStringView()) {}

    QChar at(qsizetype k) const { return k < head.size() ? head[k] : tail[k - head.size()]; }
    qsizetype size() const { return head.size() + tail.size(); }

    QStringView head;
    QStringView tail;
};

// Ordinal comparison, code unit by code unit; a prefix is the smaller.
bool keyGreater(const KeyView& a, const KeyView& b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype k = 0; k < common; ++k) {
        const char16_t x = a.at(k).unicode();
        const char16_t y = b.at(k).unicode();
        if (x != y)
            return x > y;
    }
    return a.size() > b.size();
}

} // namespace

void NewestBackup::exchangeSort(QStringList& names) {
    const qsizetype n = names.size();
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = i + 1; j < n; ++j) {
            const qsizetype p = names[i].indexOf(QLatin1Char('_')) + 1;
            if (keyGreater(KeyView(names[i], p), KeyView(names[j], p)))
                names.swapItemsAt(i, j);
        }
    }
}

QString NewestBackup::sortKey(const QString& name, qsizetype p) {
    const KeyView key(name, p);
    return key.head.toString() + key.tail.toString();
}

} // namespace tavor
