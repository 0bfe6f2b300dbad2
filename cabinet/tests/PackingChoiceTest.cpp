#include "cabinet/CabinetWriter.h"
#include "safewrite/posix/PosixSystemCalls.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace tavor;
using namespace tavor::test;

namespace {

// A medium that takes every write at about 12 MB/s, as a USB 2 stick does.
class SlowMedium : public PosixSystemCalls {
public:
    ssize_t write(int fd, const void* buffer, size_t count) override {
        std::this_thread::sleep_for(std::chrono::microseconds(count / 12));
        return PosixSystemCalls::write(fd, buffer, count);
    }
};

qint64 packedSize(SystemCalls& calls, CabinetPacking packing, const QString& source,
                  const QString& cabinet) {
    CabinetWriterOptions options;
    options.packing = packing;
    CabinetWriter(calls, options).write(cabinet, source, QStringLiteral("in.bak"), {});
    return QFileInfo(cabinet).size();
}

} // namespace

// On a medium slower than the encoders, the processor time it leaves idle must
// go into the smaller packing: the cabinet by the medium comes out smaller than
// the fast one.
TEST(PackingChoiceTest, SlowMediumGetsTheSmallerPacking) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.bak"));
    writeFile(source, repeatedStretch(16 * 1024 * 1024, 21));
    SlowMedium slow;
    const QString cabinet = dir.filePath(QStringLiteral("out.cab"));
    const qint64 fast = packedSize(slow, CabinetPacking::Fast, source, cabinet);
    EXPECT_LT(packedSize(slow, CabinetPacking::ByMedium, source, cabinet), fast * 3 / 4);
}
