#include "safewrite/SystemError.h"

#include <cerrno>
#include <cstring>

namespace tavor {

namespace {

long errorNumberFor(int errorCode) {
    switch (errorCode) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorNumber::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return ErrorNumber::PermissionDenied;
    case ENOENT:
        return ErrorNumber::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return ErrorNumber::PathNotFound;
    default:
        return ErrorNumber::DeviceIOError;
    }
}

} // namespace

Error systemError(int errorCode, const QString& action, const QString& path) {
    return Error(errorNumberFor(errorCode),
                 QStringLiteral("%1 '%2': %3")
                     .arg(action, path, QString::fromLocal8Bit(std::strerror(errorCode))));
}

} // namespace tavor
