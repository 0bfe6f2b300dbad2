#include "pipeline/startup/NewestBackup.h"

#include "base/BlankTrim.h"
#include "base/Outcome.h"
#include "pipeline/BranchNames.h"

#include <algorithm>

namespace tavor {

NewestBackup::Choice NewestBackup::SortList() {
    BackupWindow& window = context_.window;
    FileListing& listing = context_.fileList;
    const QString& database = context_.state.DatabaseName;

    const QString& backupFolder = context_.state.BackupPath;
    const Outcome folderRead = Outcome::of([&] {
        if (BlankTrim::trim(backupFolder).isEmpty())
            throw Error(ErrorNumber::PathNotFound,
                        QStringLiteral("The backup folder (Sys_Backup_Path) is not set"));
        listing.setFolder(backupFolder);
    });
    showListing();
    ignoreFailure([&] {
        window.appendPatternChoices({database + QStringLiteral("*b?.*"),
                                     database + QStringLiteral("*.*"), QStringLiteral("*.*")});
    });
    ignoreFailure([&] {
        window.selectFirstPatternChoice();
        applyPattern(window.patternText());
    });
    if (listing.names().isEmpty()) {
        ignoreFailure([&] {
            window.setPatternText(QString());
            applyPattern(QString());
        });
        ignoreFailure([&] {
            window.setPatternText(database + QStringLiteral("*b*.*"));
            applyPattern(database + QStringLiteral("*b*.*"));
        });
    }

    // The main backup comes from the backup folder only: the listing of the folder
    // shown before (the program's own) must not supply it.
    QStringList names = folderRead ? listing.names() : QStringList();
    exchangeSort(names);
    for (QString& name : names)
        name = BlankTrim::trim(name);
    ignoreFailure([&] { window.setOrderedNames(names); });
    return {BranchNames::FixPath(backupFolder) + (names.isEmpty() ? QString() : names.last()),
            folderRead.reason()};
}

void NewestBackup::Text2_Change() {
    ignoreFailure([&] { applyPattern(context_.window.patternText()); });
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
    ignoreFailure([&] {
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
