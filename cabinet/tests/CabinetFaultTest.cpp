#include "base/Error.h"
#include "cabinet/CabinetWriter.h"
#include "support/CabinetReadBack.h"
#include "support/FaultySystemCalls.h"
#include "support/SmallTmpfs.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace tavor;
using namespace tavor::test;
using Call = FaultySystemCalls::Call;

namespace {

struct Fault {
    const char* label;
    Call call;
    int errorCode;
    int successesFirst;
    long expectedNumber;
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.label;
}

// Every failure on the way to a new cabinet must leave the older one whole and
// no stray file under the target's folder.
class CabinetFault : public testing::TestWithParam<Fault> {
protected:
    void SetUp() override {
        folder_ = dir_.path();
        writeFile(source(), randomBytes(3 * 1024 * 1024, 11));
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_LCS.bak"), {});
        olderCabinet_ = readFile(cabinet());
        writeFile(source(), randomBytes(3 * 1024 * 1024, 12));
    }

    QString cabinet() const { return folder_ + QStringLiteral("/BR_LCS.cab"); }
    QString source() const { return dir_.filePath(QStringLiteral("BR_LCS.bak")); }

    void expectOlderCabinetIntact() {
        EXPECT_TRUE(readFile(cabinet()) == olderCabinet_);
        const MspackContents contents =
            readWithMspack(cabinet(), dir_.filePath(QStringLiteral("back")));
        EXPECT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
        QFile::remove(dir_.filePath(QStringLiteral("back")));
    }

    QTemporaryDir dir_;
    QString folder_;
    QByteArray olderCabinet_;
};

} // namespace

TEST_P(CabinetFault, ErrorIsRaisedAndOlderCabinetKept) {
    const Fault fault = GetParam();
    FaultySystemCalls calls;
    calls.failOn(fault.call, fault.errorCode, fault.successesFirst);
    try {
        CabinetWriter(calls).write(cabinet(), source(), QStringLiteral("BR_LCS.bak"), {});
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), fault.expectedNumber) << e.description().toStdString();
    }
    EXPECT_GE(calls.timesFailed(), 1);
    expectOlderCabinetIntact();
    EXPECT_EQ(folderEntries(folder_), (QStringList{"BR_LCS.bak", "BR_LCS.cab"}));
}

INSTANTIATE_TEST_SUITE_P(
    Injected, CabinetFault,
    testing::Values(Fault{"FirstWriteDiskFull", Call::Write, ENOSPC, 0, ErrorNumber::DiskFull},
                    Fault{"LaterWriteIoError", Call::Write, EIO, 1, ErrorNumber::DeviceIOError},
                    Fault{"HeaderPatchFails", Call::Pwrite, EIO, 0, ErrorNumber::DeviceIOError},
                    Fault{"ReadFails", Call::Pread, EIO, 20, ErrorNumber::DeviceIOError},
                    Fault{"FlushFails", Call::Fsync, EIO, 0, ErrorNumber::DeviceIOError},
                    Fault{"FlushQuotaExceeded", Call::Fsync, EDQUOT, 0, ErrorNumber::DiskFull},
                    Fault{"RenameDenied", Call::Rename, EACCES, 0, ErrorNumber::PermissionDenied}),
    [](const testing::TestParamInfo<Fault>& info) { return std::string(info.param.label); });

// A real full disk: a small memory file system holding an older cabinet gets a new
// one too large for it.
class CabinetDiskFull : public CabinetFault {
protected:
    void SetUp() override {
        tmpfs_ = std::make_unique<SmallTmpfs>("4m");
        if (!tmpfs_->mounted()) {
            GTEST_SKIP() << tmpfs_->whyNot();
        }
        folder_ = tmpfs_->path();
        writeFile(source(), randomBytes(3 * 1024 * 1024, 13));
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_LCS.bak"), {});
        olderCabinet_ = readFile(cabinet());
        writeFile(source(), randomBytes(3 * 1024 * 1024 + 1, 14));
    }

    std::unique_ptr<SmallTmpfs> tmpfs_;
};

TEST_F(CabinetDiskFull, FullDiskRaisesDiskFullAndKeepsOlderCabinet) {
    try {
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_LCS.bak"), {});
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::DiskFull) << e.description().toStdString();
    }
    expectOlderCabinetIntact();
    EXPECT_EQ(folderEntries(folder_), QStringList{"BR_LCS.cab"});
}
