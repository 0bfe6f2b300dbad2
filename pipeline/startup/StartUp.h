#pragma once

#include "pipeline/BackupContext.h"

namespace tavor {

// Everything that happens before the operator can press the copy button: the API
// object, the command line, the window's arrangement, the update check, the
// database link and login, the branch's system values and the names derived from
// them, the drive list, the refusal of a workstation that is not linked, the
// window shown and the data-set list filled. An unattended run then goes on to its
// copy run.
class StartUp {
public:
    explicit StartUp(BackupContext& context) : context_(context) {}

    // Runs start-up. An error in its untrapped first steps ends the program with
    // an error report; so does a workstation without a branch database.
    void Load();
    void Form_Load();
    // What a command without the window needs of start-up: the API object, the
    // media password, the database link and the connection with the branch's values;
    // no update check, no drive list, no link check. A step that fails is skipped.
    void ConnectForCommand();

    // The connection string of the window's connection: the values as they are,
    // but one holding ';' quoted so that it cannot spill into the fields after it.
    static QString BranchConnectionString(const QString& password, const QString& userId,
                                          const QString& databaseName, const QString& serverName);

    // SERVERPROPERTY(name) as text: "ProductVersion" (16.0.4135.4), "EngineEdition"
    // (4 for Express), "Edition" (Web Edition (64-bit)); empty when the server has no
    // such property.
    static QString ServerProperty(DatabaseConnection& connection, const QString& name);

    static const QString NotLinkedText;

private:
    void PrepareControls();
    void OpenBranch();
    void ConnectToBranch();
    QString ReadSystemValue(const QString& name);
    QString ReadServerProperty(const QString& name);
    void FormBranchNames();
    void ListTargetDrives();
    void ShowNotLinkedMessage();
    void listUnreadableSettings();

    BackupContext& context_;
};

} // namespace tavor
