#include "base/Error.h"
#include "cabinet/CabinetVerifier.h"
#include "cabinet/CabinetWriter.h"
#include "support/CabinetRecords.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;
using namespace tavor::test::cabinet_records;

namespace {

// The bytes read through the seam.
class CountingCalls : public SystemCalls {
public:
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        const ssize_t got = SystemCalls::pread(fd, buffer, count, offset);
        bytesRead += std::max<ssize_t>(got, 0);
        return got;
    }
    std::atomic<qint64> bytesRead = 0;
};

} // namespace

// A cabinet holding more than the one file the program writes, or claiming far more
// than it holds, was unpacked as far as it went (a hostile stick's cabinet can make
// that hours of work): it is refused from its records, read only in small part.
TEST(CabinetCheck, WhatTheProgramNeverWritesIsRefusedBeforeItIsUnpacked) {
    const struct {
        const char* label;
        std::function<void(QByteArray&)> change;
        const char* why;
    } cases[] = {
        {"two entries", addSecondEntry, "does not hold exactly one file"},
        {"claims far more", claimFarMore, "records sizes that do not match its contents"},
    };
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("BR_LCS.bak"));
    writeFile(source, randomBytes(8 * 32768, 5));
    const QString written = folder.filePath(QStringLiteral("written.cab"));
    CabinetWriter().write(written, source, QStringLiteral("BR_LCS.bak"), {});
    for (const auto& [label, change, why] : cases) {
        QByteArray bytes = readFile(written);
        change(bytes);
        const QString cabinet = folder.filePath(QStringLiteral("BR_LCS.cab"));
        writeFile(cabinet, bytes);
        CountingCalls calls;
        IdleTicker idle;
        try {
            CabinetVerifier(calls, idle).check(QFile::encodeName(cabinet), cabinet);
            ADD_FAILURE() << label << ": no error raised";
        } catch (const Error& failure) {
            EXPECT_TRUE(failure.description().contains(QString::fromLatin1(why)))
                << label << ": " << failure.description().toStdString();
        }
        EXPECT_LT(calls.bytesRead, bytes.size() / 4) << label;
    }
}
