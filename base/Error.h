#pragma once

#include <QString>
#include <stdexcept>

namespace tavor {

// The one error type that adapters raise: a number and a description, as an
// automation component reports them.
class Error : public std::runtime_error {
public:
    Error(long number, const QString& description);

    long number() const { return number_; }
    const QString& description() const { return description_; }

    // "number   description", the form in which errors reach the operator.
    QString report() const;

private:
    long number_;
    QString description_;
};

// Numbers used by this program's own adapters where no outside component gives one.
namespace ErrorNumber {
constexpr long InvalidProcedureCall = 5;
constexpr long UserInterrupt = 18;
constexpr long FileNotFound = 53;
constexpr long PermissionDenied = 70;
constexpr long PathNotFound = 76;
constexpr long DiskFull = 61;
constexpr long DeviceIOError = 57;
constexpr long ObjectRequired = 424;
constexpr long AutomationError = 440;
constexpr long ProviderError = -2147467259; // 0x80004005, unspecified provider error
} // namespace ErrorNumber

} // namespace tavor
