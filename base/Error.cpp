#include "base/Error.h"

namespace tavor {

Error::Error(long number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

QString Error::report() const {
    return QString::number(number_) + QStringLiteral("   ") + description_;
}

} // namespace tavor
