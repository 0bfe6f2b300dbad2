#include "app/StateDump.h"

#include "app/FileListBox.h"
#include "app/frmBackup.h"
#include "base/Error.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "safewrite/ReplacementFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace tavor {

namespace {

QString textOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return {};
}

// The entries of a list box, combo box or file list; empty for other controls.
void addItemsOf(const QWidget* widget, QJsonObject& entry) {
    QJsonArray items;
    if (auto* list = qobject_cast<const QListWidget*>(widget)) {
        for (int i = 0; i < list->count(); ++i)
            items.append(list->item(i)->text());
    } else if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
    } else {
        return;
    }
    entry.insert(QStringLiteral("items"), items);
    if (auto* files = qobject_cast<const FileListBox*>(widget)) {
        entry.insert(QStringLiteral("path"), files->path());
        entry.insert(QStringLiteral("pattern"), files->pattern());
    }
}

QJsonObject rowOf(const ORVLog* list, int i) {
    return {{QStringLiteral("text"), list->List(i)},
            {QStringLiteral("tag"), list->GetTag(i)},
            {QStringLiteral("image"), list->GetImage(i)}};
}

QJsonObject listOf(const ORVLog* list) {
    QJsonArray rows;
    for (int i = 0; i < list->ListCount(); ++i)
        rows.append(rowOf(list, i));
    return {{QStringLiteral("ListIndex"), list->ListIndex()}, {QStringLiteral("rows"), rows}};
}

// The drive rows also say whether their drive is an encrypted volume.
QJsonObject driveListOf(const ORVLog* list, const MainState& state) {
    QJsonArray rows;
    for (int i = 0; i < list->ListCount(); ++i) {
        QJsonObject row = rowOf(list, i);
        row.insert(QStringLiteral("encrypted"),
                   state.ListedDrives.value(list->GetTag(i)).encrypted);
        rows.append(row);
    }
    return {{QStringLiteral("ListIndex"), list->ListIndex()}, {QStringLiteral("rows"), rows}};
}

QJsonObject stateOf(const MainState& s) {
    return {
        {QStringLiteral("CommandLine"), s.CommandLine},
        {QStringLiteral("ServerName"), s.ServerName},
        {QStringLiteral("DatabaseName"), s.DatabaseName},
        {QStringLiteral("PrevBusinessDate"), s.PrevBusinessDate},
        {QStringLiteral("BackupPath"), s.BackupPath},
        {QStringLiteral("FinaFile"), s.FinaFile},
        {QStringLiteral("SgDatabase"), s.SgDatabase},
        {QStringLiteral("HsDatabase"), s.HsDatabase},
        {QStringLiteral("LcsDatabase"), s.LcsDatabase},
        {QStringLiteral("SgBakFile"), s.SgBakFile},
        {QStringLiteral("HsBakFile"), s.HsBakFile},
        {QStringLiteral("LcsBakFile"), s.LcsBakFile},
        {QStringLiteral("HistoryIntervalDays"), s.HistoryIntervalDays},
        {QStringLiteral("HsIncluded"), s.HsIncluded},
        {QStringLiteral("SgIncluded"), s.SgIncluded},
        {QStringLiteral("BankName"), s.BankName},
        {QStringLiteral("BranchName"), s.BranchName},
        {QStringLiteral("BranchType"), s.BranchType},
        {QStringLiteral("BranchNum"), s.BranchNum},
        {QStringLiteral("FinaPath"), s.FinaPath},
        {QStringLiteral("RememberedDrive"), s.RememberedDrive},
        {QStringLiteral("ServerVersion"), s.ServerVersion},
        {QStringLiteral("ServerEdition"), s.ServerEdition},
        {QStringLiteral("ServerEditionName"), s.ServerEditionName},
    };
}

} // namespace

QJsonObject StateDump::snapshot(const frmBackup& window) {
    QJsonObject controls;
    for (const QString& name : window.controlNames()) {
        const QWidget* widget = window.control(name);
        const QRect twips = window.twipsGeometry(name);
        QJsonObject entry{
            {QStringLiteral("container"), window.containerName(name)},
            {QStringLiteral("left"), twips.x()},
            {QStringLiteral("top"), twips.y()},
            {QStringLiteral("width"), twips.width()},
            {QStringLiteral("height"), twips.height()},
            {QStringLiteral("visible"), !widget->isHidden()},
            {QStringLiteral("enabled"), widget->isEnabled()},
            {QStringLiteral("text"), textOf(widget)},
        };
        addItemsOf(widget, entry);
        controls.insert(name, entry);
    }
    ORVProgressXP* progress = window.ORVProgressXP1();
    return {
        {QStringLiteral("title"), window.windowTitle()},
        {QStringLiteral("height"), window.outerHeight()},
        {QStringLiteral("visible"), window.isVisible()},
        {QStringLiteral("controls"), controls},
        {QStringLiteral("lists"),
         QJsonObject{{QStringLiteral("ORVLog1"), driveListOf(window.ORVLog1(), window.state())},
                     {QStringLiteral("ORVLog2"), listOf(window.ORVLog2())}}},
        {QStringLiteral("progress"), QJsonObject{{QStringLiteral("visible"), !progress->isHidden()},
                                                 {QStringLiteral("Value"), progress->Value()},
                                                 {QStringLiteral("Style"), progress->Style()}}},
        {QStringLiteral("state"), stateOf(window.state())},
    };
}

void StateDump::write(const frmBackup& window, const QString& path) {
    try {
        ReplacementFile::write(path,
                               QJsonDocument(snapshot(window)).toJson(QJsonDocument::Indented));
    } catch (const Error&) {
        // The dump is diagnostic; the run goes on without it.
    }
}

} // namespace tavor
