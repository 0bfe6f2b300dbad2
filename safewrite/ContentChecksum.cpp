#include "safewrite/ContentChecksum.h"

#include <QLocale>
#include <libdeflate.h>

namespace tavor {

void ContentChecksum::add(const void* data, std::size_t size) {
    crc32_ = libdeflate_crc32(crc32_, data, size);
    length_ += std::int64_t(size);
}

QString ContentChecksum::describe() const {
    return QStringLiteral("%1 bytes, CRC-32 %2")
        .arg(QLocale::c().toString(length_))
        .arg(crc32_, 8, 16, QLatin1Char('0'));
}

} // namespace tavor
