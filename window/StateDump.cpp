#include "window/StateDump.h"

#include "base/Error.h"
#include "pipeline/MainState.h"
#include "safewrite/ReplacementFile.h"
#include "window/WindowModel.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tavor {

namespace {

// A list box, combo box or file list also has its entries; a file list its folder
// and pattern.
void addItemsOf(const ControlState& control, QJsonObject& entry) {
    using K = ControlDesign::Kind;
    const K kind = control.design->kind;
    if (kind != K::ListBox && kind != K::FileListBox && kind != K::ComboBox)
        return;
    entry.insert(QStringLiteral("items"), QJsonArray::fromStringList(control.items));
    if (kind == K::FileListBox) {
        entry.insert(QStringLiteral("path"), control.path);
        entry.insert(QStringLiteral("pattern"), control.pattern);
    }
}

QJsonObject rowOf(const RowModel* list, int i) {
    return {{QStringLiteral("text"), list->List(i)},
            {QStringLiteral("tag"), list->GetTag(i)},
            {QStringLiteral("image"), list->GetImage(i).value_or(0)}};
}

QJsonObject listOf(const RowModel* list) {
    QJsonArray rows;
    for (int i = 0; i < list->ListCount(); ++i)
        rows.append(rowOf(list, i));
    return {{QStringLiteral("ListIndex"), list->ListIndex()}, {QStringLiteral("rows"), rows}};
}

// The drive rows also say whether their drive is an encrypted volume.
QJsonObject driveListOf(const RowModel* list, const MainState& state) {
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

QJsonObject StateDump::snapshot(const WindowModel& window, const MainState& state) {
    QJsonObject controls;
    for (const QString& name : window.controlNames()) {
        const ControlState& control = window.control(name);
        const QRect twips = control.twips;
        QJsonObject entry{
            {QStringLiteral("container"), control.design->container},
            {QStringLiteral("left"), twips.x()},
            {QStringLiteral("top"), twips.y()},
            {QStringLiteral("width"), twips.width()},
            {QStringLiteral("height"), twips.height()},
            {QStringLiteral("visible"), control.visible},
            {QStringLiteral("enabled"), control.enabled},
            {QStringLiteral("text"), control.text},
        };
        addItemsOf(control, entry);
        controls.insert(name, entry);
    }
    const ControlState& progress = window.control(QStringLiteral("ORVProgressXP1"));
    return {
        {QStringLiteral("title"), window.title()},
        {QStringLiteral("height"), window.outerHeight()},
        {QStringLiteral("visible"), window.isVisible()},
        {QStringLiteral("controls"), controls},
        {QStringLiteral("lists"),
         QJsonObject{{QStringLiteral("ORVLog1"),
                      driveListOf(&window.list(QStringLiteral("ORVLog1")), state)},
                     {QStringLiteral("ORVLog2"), listOf(&window.list(QStringLiteral("ORVLog2")))}}},
        {QStringLiteral("progress"),
         QJsonObject{{QStringLiteral("visible"), progress.visible},
                     {QStringLiteral("Value"), window.progressValue()},
                     {QStringLiteral("Style"), window.progressStyle()}}},
        {QStringLiteral("state"), stateOf(state)},
    };
}

void StateDump::write(const WindowModel& window, const MainState& state, const QString& path) {
    try {
        ReplacementFile::write(
            path, QJsonDocument(snapshot(window, state)).toJson(QJsonDocument::Indented));
    } catch (const Error&) {
        // The dump is diagnostic; the run goes on without it.
    }
}

} // namespace tavor
