#pragma once

#include "platform/Platform.h"

#include <QString>
#include <functional>

namespace tavor {

class ORVApi;

// The start-up check for a newer build of this program on the branch's update
// share. When the share holds one, it records the copy in the updater's control
// file, starts the updater and ends the program; without an updater it warns the
// operator. Every step that fails is skipped and the check goes on.
class modCheckNewVer {
public:
    // ApiObject may be null; endProgram ends the program at once (the window
    // writes its state first) and is not expected to return.
    modCheckNewVer(ORVApi* ApiObject, const Platform& platform, std::function<void()> endProgram);

    // The entry: looks for the update folder under the server path in the registry.
    void CheckForNewVersion();
    // Compares the running executable with the one in updateFolder and starts the
    // update when the one there is newer.
    void CompareAndStartUpdate(const QString& updateFolder, const QString& description);
    // One entry of the updater's control file in the Windows folder.
    void WriteUpdateEntry(const QString& section, const QString& key, const QString& value);

    // The comparable form of a version: four fields of at least five digits.
    static QString NormalizeVersion(const QString& version);

    static const QString Description;
    static const QString WarningText;

private:
    QString windowsFolder() const;
    QString findUpdater() const;
    void showWarning();
    void endProgram();
    FileServices& files() const;
    ProcessServices& process() const;
    ORVApi& api() const;

    ORVApi* ApiObject_;
    Platform platform_;
    std::function<void()> endProgram_;
};

} // namespace tavor
