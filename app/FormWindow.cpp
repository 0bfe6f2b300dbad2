#include "app/FormWindow.h"

#include "app/FileListBox.h"
#include "app/frmBackup.h"
#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace tavor {

namespace {

// The window's own background, a system colour, handed to the data-set list.
constexpr quint32 kButtonFaceColour = 0x8000000F;

} // namespace

// The maintenance panel lies below the normal height; the taller window shows it.
void FormWindow::arrangeForMode(bool maintenance) {
    form_.setOuterHeight(FormDesign::NormalHeight);
    form_.control<QFrame>("Picture3")->setFrameShape(QFrame::NoFrame);
    if (maintenance) {
        form_.control<QFrame>("Picture3")->setVisible(true);
        form_.setOuterHeight(FormDesign::MaintenanceHeight);
    }
    form_.control<QPushButton>("cmdTest")->setVisible(maintenance);
}

void FormWindow::prepareBusyPanel() {
    auto* picture1 = form_.control<QFrame>("Picture1");
    picture1->setFrameShape(QFrame::NoFrame);
    const QRect designed = form_.twipsGeometry(QStringLiteral("Picture1"));
    form_.placeControl(QStringLiteral("Picture1"), -15, 990, designed.width(), designed.height());
    picture1->setVisible(false);
    picture1->raise();
    form_.animation()->setVisible(false);
}

// The pictures become the drive list's image kinds 100 and 101, in this order.
void FormWindow::loadDrivePictures() {
    form_.ORVLog1()->LoadImage(form_.control<QLabel>("Image2")->pixmap());
    form_.ORVLog1()->LoadImage(form_.control<QLabel>("Image3")->pixmap());
}

void FormWindow::prepareBackupList() {
    form_.ORVLog2()->setEnabled(false);
    form_.ORVLog2()->setBackColor(kButtonFaceColour);
    form_.ORVLog2()->setVisible(false);
}

void FormWindow::setTitle(const QString& title) {
    form_.setWindowTitle(title);
}

void FormWindow::setBranchCaption(const QString& caption) {
    form_.control<QLabel>("Label1")->setText(caption);
}

void FormWindow::setConnectionCaption(const QString& caption) {
    form_.control<QLabel>("Label5")->setText(caption);
}

void FormWindow::showCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        form_.move(screen->availableGeometry().center() - form_.rect().center());
    form_.show();
}

void FormWindow::stopStartUpTimer() {
    form_.Timer1()->stop();
}

void FormWindow::writeStateDump() {
    form_.dumpState();
}

void FormWindow::addDriveRow(const QString& text, int image, const QString& tag) {
    form_.ORVLog1()->Add(text, image, tag);
}

int FormWindow::driveRowCount() const {
    return form_.ORVLog1()->ListCount();
}

QString FormWindow::driveRowTag(int row) const {
    return form_.ORVLog1()->GetTag(row);
}

void FormWindow::selectDriveRow(int row) {
    form_.ORVLog1()->setListIndex(row);
}

void FormWindow::setBackupListVisible(bool visible) {
    form_.ORVLog2()->setVisible(visible);
}

void FormWindow::clearBackupList() {
    form_.ORVLog2()->Clear();
}

void FormWindow::addBackupRow(const QString& text, int image, const QString& tag) {
    form_.ORVLog2()->Add(text, image, tag);
}

void FormWindow::setBackupRowImage(int row, int image) {
    form_.ORVLog2()->ChaneImage(row, image);
}

QString FormWindow::selectedDriveTag() const {
    return form_.ORVLog1()->GetTag(form_.ORVLog1()->ListIndex());
}

void FormWindow::setRunButtonsEnabled(bool enabled) {
    form_.control<QPushButton>("cmdCopy")->setEnabled(enabled);
    form_.control<QPushButton>("Command3")->setEnabled(enabled);
}

void FormWindow::showProgress() {
    form_.ORVProgressXP1()->setVisible(true);
}

void FormWindow::resetProgress() {
    form_.ORVProgressXP1()->Reset();
}

void FormWindow::setProgressValue(int percent) {
    form_.ORVProgressXP1()->setValue(percent);
}

void FormWindow::setBusyCaption(const QString& caption) {
    form_.control<QLabel>("Label4")->setText(caption);
}

void FormWindow::setBusyPanelVisible(bool visible) {
    form_.control<QFrame>("Picture1")->setVisible(visible);
}

void FormWindow::setAnimationAutoPlay(bool on) {
    form_.animation()->setAutoPlay(on);
}

void FormWindow::openAnimation(const QString& path) {
    form_.animation()->Open(path);
}

void FormWindow::stopAnimation() {
    form_.animation()->Stop();
}

void FormWindow::setAnimationVisible(bool visible) {
    form_.animation()->setVisible(visible);
}

void FormWindow::appendDebugLine(const QString& line) {
    form_.control<QListWidget>("List2")->addItem(line);
}

void FormWindow::appendPatternChoices(const QStringList& patterns) {
    auto* text2 = form_.control<QComboBox>("Text2");
    const QSignalBlocker quiet(text2);
    text2->addItems(patterns);
}

void FormWindow::selectFirstPatternChoice() {
    auto* text2 = form_.control<QComboBox>("Text2");
    const QSignalBlocker quiet(text2);
    text2->setCurrentIndex(0);
    text2->setEditText(text2->itemText(0));
}

QString FormWindow::patternText() const {
    return form_.control<QComboBox>("Text2")->currentText();
}

void FormWindow::setPatternText(const QString& text) {
    auto* text2 = form_.control<QComboBox>("Text2");
    const QSignalBlocker quiet(text2);
    text2->setEditText(text);
}

void FormWindow::showFileList(const QString& folder, const QString& pattern,
                              const QStringList& names) {
    form_.control<FileListBox>("File1")->showListing(folder, pattern, names);
}

void FormWindow::setOrderedNames(const QStringList& names) {
    auto* list1 = form_.control<QListWidget>("List1");
    list1->clear();
    list1->addItems(names);
}

QStringList FormWindow::orderedNames() const {
    const auto* list1 = form_.control<QListWidget>("List1");
    QStringList names;
    for (int i = 0; i < list1->count(); ++i)
        names << list1->item(i)->text();
    return names;
}

// The design puts Text1 below the client area; the test brings it into view.
void FormWindow::showTestStatement(const QString& text) {
    const QString name = QStringLiteral("Text1");
    const QRect designed = form_.twipsGeometry(name);
    form_.placeControl(name, designed.left(), 3100, designed.width(), designed.height());
    auto* text1 = form_.control<QLineEdit>("Text1");
    text1->setVisible(true);
    text1->setText(text);
}

void FormWindow::pumpEvents() {
    QCoreApplication::processEvents();
}

void FormWindow::pumpEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tavor
