#include "modules/modCheckNewVer.h"
#include "platform/registry/RegistryKeys.h"

#include "base/BlankTrim.h"
#include "base/Outcome.h"
#include "modules/NewLink.h"
#include "platform/api/ORVApi.h"

#include <cmath>

namespace tavor {

namespace {

const QString UpdaterName = QStringLiteral("ORVUpdate");

// A folder path that ends in the separator.
QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// A field's number in at least five digits, as the number format "00000" writes it.
QString fiveDigits(const QString& field) {
    const double value = std::round(NewLink::LeadingNumber(field));
    QString digits = QString::number(std::abs(value), 'f', 0);
    digits = digits.rightJustified(5, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

Error missing(const char* what) {
    return Error(ErrorNumber::ObjectRequired, QString::fromLatin1(what));
}

} // namespace

const QString modCheckNewVer::Description = QStringLiteral("النسخ الاحتياطي الخارجي");
const QString modCheckNewVer::WarningText =
    QStringLiteral("تم العثور على نسخة جديدة من البرنامج .. الا انه لا يمكن التحديث   ") +
    QStringLiteral("\r\n") + QStringLiteral("بسبب عدم وجود برنامج الاستشاري للتحديث .") +
    QStringLiteral("\r\n\r\n") + QStringLiteral("يرجى الاتصال بالاستشاري ...");

modCheckNewVer::modCheckNewVer(ORVApi* ApiObject, const Platform& platform,
                               std::function<void()> endProgram)
    : ApiObject_(ApiObject), platform_(platform), endProgram_(std::move(endProgram)) {}

FileServices& modCheckNewVer::files() const {
    if (!platform_.files)
        throw missing("No file-system object");
    return *platform_.files;
}

ProcessServices& modCheckNewVer::process() const {
    if (!platform_.process)
        throw missing("No process services");
    return *platform_.process;
}

ORVApi& modCheckNewVer::api() const {
    if (!ApiObject_)
        throw missing("No API object");
    return *ApiObject_;
}

void modCheckNewVer::CheckForNewVersion() {
    QString serverPath;
    ignoreFailure([&] {
        serverPath = api().Regestry().get_String(RegistryKeys::Installation, "ServerPath");
    });
    serverPath = withSeparator(serverPath);
    const QString updateFolder = serverPath + QStringLiteral("Update/");
    bool present = false;
    ignoreFailure([&] { present = files().folderExists(updateFolder.chopped(1)); });
    if (!present)
        return;
    CompareAndStartUpdate(updateFolder, Description);
}

void modCheckNewVer::CompareAndStartUpdate(const QString& updateFolder,
                                           const QString& description) {
    const QString folder = withSeparator(BlankTrim::trim(updateFolder));
    QString programFolder;
    QString name;
    ignoreFailure([&] { programFolder = withSeparator(process().programFolder()); });
    ignoreFailure([&] { name = process().executableName(); });
    const QString localExecutable = programFolder + name;
    const QString serverExecutable = folder + name;

    QString localVersion;
    QString serverVersion;
    ignoreFailure([&] { localVersion = files().fileVersion(localExecutable); });
    ignoreFailure([&] { serverVersion = files().fileVersion(serverExecutable); });
    // A missing server build reads as version zero and never triggers an update.
    if (NormalizeVersion(localVersion) >= NormalizeVersion(serverVersion))
        return;

    const QString key = name.toUpper();
    // Every entry is written, also after one that failed.
    const auto write = [&](const QString& section, const QString& value) {
        return !Outcome::of([&] { WriteUpdateEntry(section, key, value); }).failed();
    };
    bool entriesWritten =
        write(QStringLiteral("Source"), serverExecutable + QLatin1Char(',') + localVersion +
                                            QLatin1Char(',') + serverVersion);
    entriesWritten = write(QStringLiteral("Destination"), localExecutable) && entriesWritten;
    entriesWritten = write(QStringLiteral("Description"), description) && entriesWritten;
    entriesWritten = write(QStringLiteral("Run"), localExecutable) && entriesWritten;
    bool replaceable = false;
    ignoreFailure([&] { replaceable = files().isWritableFolder(programFolder); });

    QString updater;
    ignoreFailure([&] { updater = findUpdater(); });
    // A handover that cannot work is treated like a missing updater: without its
    // control file, or with a program the operator cannot replace, the updater
    // would do nothing, and ending anyway would end every start without a word.
    if (entriesWritten && replaceable && !updater.isEmpty() &&
        Outcome::of([&] { process().startDetached(updater); })) {
        endProgram();
        return;
    }
    ignoreFailure([&] { showWarning(); });
    if (serverVersion.endsWith(QLatin1Char('9')))
        endProgram();
}

void modCheckNewVer::endProgram() {
    if (endProgram_)
        endProgram_();
}

QString modCheckNewVer::NormalizeVersion(const QString& version) {
    const QString text = version + QStringLiteral(".0.0.0.0");
    QString result;
    QString field;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            result += fiveDigits(field) + QLatin1Char('.');
            field.clear();
        } else {
            field += c;
        }
    }
    return result.left(23);
}

void modCheckNewVer::WriteUpdateEntry(const QString& section, const QString& key,
                                      const QString& value) {
    const QString controlFile = windowsFolder() + QStringLiteral("Update.orv");
    api().InIFile().setFileName(controlFile);
    api().InIFile().SetIniFile(section, key, value);
}

QString modCheckNewVer::windowsFolder() const {
    return withSeparator(process().environment(QStringLiteral("windir")));
}

QString modCheckNewVer::findUpdater() const {
    const QString windows = windowsFolder();
    for (const QString& candidate : {windows + UpdaterName, windows + "System32/" + UpdaterName}) {
        if (files().fileExists(candidate))
            return candidate;
    }
    return {};
}

void modCheckNewVer::showWarning() {
    if (!platform_.messages)
        throw missing("No message boxes");
    MessageBoxRequest request;
    request.text = WarningText;
    request.title = QStringLiteral("تحذير");
    request.icon = MessageIcon::Warning;
    request.buttons = MessageButtons::Ok;
    request.rightAligned = true;
    request.rtlReading = true;
    platform_.messages->show(request);
}

} // namespace tavor
