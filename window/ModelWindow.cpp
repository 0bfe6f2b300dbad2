#include "window/ModelWindow.h"

#include "window/StateDump.h"
#include "window/WindowModel.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

namespace tavor {

namespace {

// The window's own background, a system colour, handed to the data-set list.
constexpr quint32 kButtonFaceColour = 0x8000000F;

const QString kDriveList = QStringLiteral("ORVLog1");
const QString kBackupList = QStringLiteral("ORVLog2");
const QString kPatternBox = QStringLiteral("Text2");

} // namespace

// The maintenance panel lies below the normal height; the taller window shows it.
void ModelWindow::arrangeForMode(bool maintenance) {
    model_.setOuterHeight(FormDesign::NormalHeight);
    model_.setBorder(QStringLiteral("Picture3"), false);
    if (maintenance) {
        model_.setControlVisible(QStringLiteral("Picture3"), true);
        model_.setOuterHeight(FormDesign::MaintenanceHeight);
    }
    model_.setControlVisible(QStringLiteral("cmdTest"), maintenance);
}

void ModelWindow::prepareBusyPanel() {
    const QString name = QStringLiteral("Picture1");
    model_.setBorder(name, false);
    const QRect designed = model_.control(name).twips;
    model_.place(name, -15, 990, designed.width(), designed.height());
    model_.setControlVisible(name, false);
    model_.raise(name);
    model_.setControlVisible(QStringLiteral("Animation1"), false);
}

// The pictures become the drive list's image kinds 100 and 101, in this order.
void ModelWindow::loadDrivePictures() {
    model_.changeList(kDriveList, [this](RowModel& drives) {
        drives.LoadImage(QImage(model_.control(QStringLiteral("Image2")).picture));
        drives.LoadImage(QImage(model_.control(QStringLiteral("Image3")).picture));
    });
}

void ModelWindow::prepareBackupList() {
    model_.setControlEnabled(kBackupList, false);
    model_.changeList(kBackupList, [](RowModel& rows) { rows.setBackColor(kButtonFaceColour); });
    model_.setControlVisible(kBackupList, false);
}

void ModelWindow::setTitle(const QString& title) {
    model_.setTitle(title);
}

void ModelWindow::setBranchCaption(const QString& caption) {
    model_.setText(QStringLiteral("Label1"), caption);
}

void ModelWindow::setConnectionCaption(const QString& caption) {
    model_.setText(QStringLiteral("Label5"), caption);
}

void ModelWindow::showCentred() {
    model_.setVisible(true);
}

void ModelWindow::stopStartUpTimer() {
    startUpTimer_.stop();
}

void ModelWindow::writeStateDump() {
    const QString path = qEnvironmentVariable("ORV_STATE_DUMP");
    if (!path.isEmpty())
        StateDump::write(model_, state_, path);
}

void ModelWindow::addDriveRow(const QString& text, int image, const QString& tag) {
    model_.changeList(kDriveList, [&](RowModel& drives) { drives.Add(text, image, tag); });
}

int ModelWindow::driveRowCount() const {
    return model_.list(kDriveList).ListCount();
}

QString ModelWindow::driveRowTag(int row) const {
    return model_.list(kDriveList).GetTag(row);
}

void ModelWindow::selectDriveRow(int row) {
    model_.changeList(kDriveList, [row](RowModel& drives) { drives.setListIndex(row); });
}

void ModelWindow::setBackupListVisible(bool visible) {
    model_.setControlVisible(kBackupList, visible);
}

void ModelWindow::clearBackupList() {
    model_.changeList(kBackupList, [](RowModel& rows) { rows.Clear(); });
}

void ModelWindow::addBackupRow(const QString& text, int image, const QString& tag) {
    model_.changeList(kBackupList, [&](RowModel& rows) { rows.Add(text, image, tag); });
}

void ModelWindow::setBackupRowImage(int row, int image) {
    model_.changeList(kBackupList, [&](RowModel& rows) { rows.ChaneImage(row, image); });
}

QString ModelWindow::selectedDriveTag() const {
    const RowModel& drives = model_.list(kDriveList);
    return drives.GetTag(drives.ListIndex());
}

void ModelWindow::setRunButtonsEnabled(bool enabled) {
    model_.setControlEnabled(QStringLiteral("cmdCopy"), enabled);
    model_.setControlEnabled(QStringLiteral("Command3"), enabled);
}

void ModelWindow::showProgress() {
    model_.setControlVisible(QStringLiteral("ORVProgressXP1"), true);
}

void ModelWindow::resetProgress() {
    model_.resetProgress();
}

void ModelWindow::setProgressValue(int percent) {
    model_.setProgressValue(percent);
}

void ModelWindow::setBusyCaption(const QString& caption) {
    model_.setText(QStringLiteral("Label4"), caption);
}

void ModelWindow::setBusyPanelVisible(bool visible) {
    model_.setControlVisible(QStringLiteral("Picture1"), visible);
}

void ModelWindow::setAnimationAutoPlay(bool on) {
    model_.setAnimationAutoPlay(on);
}

void ModelWindow::openAnimation(const QString& path) {
    model_.openAnimation(path);
}

void ModelWindow::stopAnimation() {
    model_.stopAnimation();
}

void ModelWindow::setAnimationVisible(bool visible) {
    model_.setControlVisible(QStringLiteral("Animation1"), visible);
}

void ModelWindow::appendDebugLine(const QString& line) {
    model_.appendItems(QStringLiteral("List2"), {line});
}

void ModelWindow::appendPatternChoices(const QStringList& patterns) {
    model_.appendItems(kPatternBox, patterns);
}

void ModelWindow::selectFirstPatternChoice() {
    model_.setText(kPatternBox, model_.control(kPatternBox).items.value(0));
}

QString ModelWindow::patternText() const {
    return model_.control(kPatternBox).text;
}

void ModelWindow::setPatternText(const QString& text) {
    model_.setText(kPatternBox, text);
}

void ModelWindow::showFileList(const QString& folder, const QString& pattern,
                               const QStringList& names) {
    model_.showListing(QStringLiteral("File1"), folder, pattern, names);
}

void ModelWindow::setOrderedNames(const QStringList& names) {
    model_.setItems(QStringLiteral("List1"), names);
}

QStringList ModelWindow::orderedNames() const {
    return model_.control(QStringLiteral("List1")).items;
}

// The design puts Text1 below the client area; the test brings it into view.
void ModelWindow::showTestStatement(const QString& text) {
    const QString name = QStringLiteral("Text1");
    const QRect designed = model_.control(name).twips;
    model_.place(name, designed.left(), 3100, designed.width(), designed.height());
    model_.setControlVisible(name, true);
    model_.setText(name, text);
}

void ModelWindow::pumpEvents() {
    QCoreApplication::processEvents();
}

void ModelWindow::pumpEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tavor
