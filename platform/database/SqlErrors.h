#pragma once

#include "base/Error.h"

namespace tavor {

// The database server's own error numbers for the failures the embedded server
// reports, so that callers see the same numbers from either server.
namespace SqlError {
constexpr long IncorrectSyntax = 102;
constexpr long UnclosedQuote = 105;
constexpr long MissingEndComment = 113;
constexpr long InvalidColumn = 207;
constexpr long InvalidObject = 208;
constexpr long ColumnCountMismatch = 213;
constexpr long UnknownType = 2715;
constexpr long ObjectExists = 2714;
constexpr long UnknownDatabase = 911;
constexpr long DatabaseExists = 1801;
constexpr long CannotDropMissing = 3701;
constexpr long CannotDropInUse = 3702;
constexpr long BackupDeviceError = 3201;
constexpr long BackupTerminated = 3013;
constexpr long UnknownBackupOption = 155; // "'X' is not a recognized BACKUP option."
constexpr long NotOnThisEdition = 1844;   // "X is not supported on Express Edition."
constexpr long UnknownCertificate = 15151;
constexpr long MalformedBackup = 3241; // "The media family ... is incorrectly formed."
constexpr long BackupDamaged = 3189;   // "Damage to the backup set was detected."
constexpr long NoChecksum = 3187;      // the backup set carries no checksum to check
constexpr long PasswordFailure = 3279;
constexpr long CannotOpenDatabase = 4060;
constexpr long ParameterMismatch = 8178;
constexpr long Timeout = -2147217871;    // 0x80040E31, the provider's "Query timeout expired"
constexpr long ConnectionClosed = 3709;  // the provider's "connection is closed"
constexpr long NoRecordset = 3704;       // the provider's "object is closed": no rows to read
constexpr long NotCapable = 3251;        // the provider cannot perform the operation
constexpr long RestoreOverOther = 3154;  // the name holds another database; no REPLACE given
constexpr long CannotRestoreFile = 3156; // "File ... cannot be restored to ... Use WITH MOVE"
constexpr long NotPartOfDatabase = 3234; // "Logical file ... is not part of database ..."
constexpr long DirectoryLookup = 5133;   // "Directory lookup for the file ... failed ..."
constexpr long DatabaseNotFound = 2520;  // "Could not find database ..." (DBCC)
constexpr long CheckDbFound = 8989;      // "CHECKDB found %d allocation errors and %d ..."
constexpr long PageTestFailed = 8939;    // "Table error: ... Test (...) failed."
constexpr long PageNotProcessed = 8928;  // "Object ID ...: Page ... could not be processed."
constexpr long PageNotSeen = 2533;       // "Table error: page ... allocated ... was not seen."
constexpr long IndexRowMissing = 8951;   // "Table error: ... does not have a matching row ..."

} // namespace SqlError

} // namespace tavor
