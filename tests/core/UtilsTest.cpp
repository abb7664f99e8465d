// File and clock utilities against real files, real child processes and the real clock.
#include "Utils.h"
#include "DosDateTime.h"
#include "HoldingProcess.h"
#include "OpenFileProbe_posix.h"
#include "OwnProcesses.h"
#include "QtPrinters.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

class FileUtils : public testing::Test {
protected:
    QString Folder() const { return Dir.path() + "/"; }

    QString MakeFile(const QString& name, const QByteArray& content = "data") {
        QFile file(Folder() + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    QStringList Listed(const QString& mask) {
        QStringList list;
        ListFiles(mask, list);
        list.sort();
        return list;
    }

    QTemporaryDir Dir;
};

TEST_F(FileUtils, ListFilesMatchesWildcardsWithoutRegardToCase) {
    MakeFile("OR_ABI-L1b-RadF-M6C13_G16_s20250212000.nc");
    MakeFile("or_abi-l1b-radf-m6c02_g16_s20250212000.NC");
    MakeFile("OR_ABI-L1b-RadF-M6C13_G18_s20250212000.nc");
    MakeFile("OR_ABI-L1b-RadF-M6C1_G16_s20250212000.nc");
    MakeFile(".OR_ABI-L1b-RadF-M6C07_G16_s.nc");
    EXPECT_EQ(Listed(Folder() + "OR_ABI-L1b-RadF-M?C??_G16_s*.nc"),
              QStringList({Folder() + "OR_ABI-L1b-RadF-M6C13_G16_s20250212000.nc",
                           Folder() + "or_abi-l1b-radf-m6c02_g16_s20250212000.NC"}));
    EXPECT_EQ(Listed(Folder() + ".*"), QStringList({Folder() + ".OR_ABI-L1b-RadF-M6C07_G16_s.nc"}));
}

TEST_F(FileUtils, ListFilesStarsBacktrackAndQuestionMarksTakeExactlyOne) {
    MakeFile("abc");
    MakeFile("ac");
    MakeFile("abbc");
    MakeFile("xAyBzBc");
    EXPECT_EQ(Listed(Folder() + "a?c"), QStringList({Folder() + "abc"}));
    EXPECT_EQ(Listed(Folder() + "*b*bc"), QStringList({Folder() + "abbc", Folder() + "xAyBzBc"}));
    EXPECT_EQ(Listed(Folder() + "*c").size(), 4);
    EXPECT_TRUE(Listed(Folder() + "a*b").isEmpty());
}

TEST_F(FileUtils, ListFilesIncludesMatchingSubFoldersAndAppends) {
    MakeFile("scan.nc");
    ASSERT_TRUE(QDir(Folder()).mkdir("archive.nc"));
    ASSERT_TRUE(QDir(Folder()).mkdir("other"));
    QStringList list{"kept"};
    ListFiles(Folder() + "*.NC", list);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.first(), "kept");
    EXPECT_TRUE(list.contains(Folder() + "scan.nc"));
    EXPECT_TRUE(list.contains(Folder() + "archive.nc"));
}

TEST_F(FileUtils, ListFilesWithoutFolderOrWithMissingFolderListsNothing) {
    MakeFile("scan.nc");
    ASSERT_TRUE(QDir::setCurrent(Dir.path()));
    EXPECT_TRUE(Listed("*").isEmpty());
    EXPECT_TRUE(Listed(Folder() + "missing/*").isEmpty());
    EXPECT_TRUE(Listed(Folder() + "scan.nc/*").isEmpty());
}

TEST_F(FileUtils, FileSizeOfFollowsAGrowingFileAndFailsForAMissingOne) {
    QFile growing(Folder() + "growing.nc");
    ASSERT_TRUE(growing.open(QIODevice::WriteOnly));
    growing.write(QByteArray(1000, 'x'));
    growing.flush();
    EXPECT_EQ(FileSizeOf(growing.fileName()).value(), 1000);
    growing.write(QByteArray(500, 'x'));
    growing.flush();
    EXPECT_EQ(FileSizeOf(growing.fileName()).value(), 1500);

    EXPECT_EQ(FileSizeOf(Folder() + "missing.nc").failure().code, FailureCode::FileVanished);
    EXPECT_EQ(FileSizeOf(Dir.path()).failure().code, FailureCode::NotRegularFile);
}

TEST_F(FileUtils, FileSizeOfDoesNotWrapAbove2GiB) {
    QFile big(MakeFile("big.nc"));
    const qint64 size = 3LL * 1024 * 1024 * 1024;
    ASSERT_TRUE(big.resize(size)); // sparse: no disk space used
    EXPECT_EQ(FileSizeOf(big.fileName()).value(), size);
}

TEST_F(FileUtils, ProcScanFindsAnotherProcessReadingTheFile) {
    const QString path = MakeFile("scan.nc");
    const int fd = open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ProbeOpenByProcScan(fd));
    {
        HoldingProcess reader(path, HoldingProcess::Mode::Reading);
        ASSERT_TRUE(reader.IsReady());
        EXPECT_TRUE(ProbeOpenByProcScan(fd));
        EXPECT_NE(ProbeOpenByLease(fd), TOpenElsewhere::No);
    }
    EXPECT_FALSE(ProbeOpenByProcScan(fd));
    close(fd);
}

TEST_F(FileUtils, FileInUseWhileRecentlyModifiedWhoeverHoldsItAndWhateverItsMode) {
    EXPECT_TRUE(FileInUse(Folder() + "missing.nc"));
    EXPECT_TRUE(FileInUse(Dir.path()));
    const QString link = Folder() + "link.nc";
    ASSERT_EQ(
        symlink(QFile::encodeName(MakeFile("target.nc")).constData(), QFile::encodeName(link).constData()),
        0);
    EXPECT_TRUE(FileInUse(link, std::chrono::milliseconds(0)));

    const QString fresh = MakeFile("fresh.nc");
    EXPECT_TRUE(FileInUse(fresh));
    EXPECT_FALSE(FileInUse(fresh, std::chrono::milliseconds(0)));

    // A finished file of another account's receiver: read-only to us, and held open by a reader elsewhere.
    const QString settled = MakeFile("settled.nc");
    const QDateTime minuteAgo = QDateTime::currentDateTimeUtc().addSecs(-60);
    QFile file(settled);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(minuteAgo, QFileDevice::FileModificationTime));
    file.close();
    ASSERT_EQ(chmod(QFile::encodeName(settled).constData(), 0444), 0);
    HoldingProcess reader(settled, HoldingProcess::Mode::Reading);
    ASSERT_TRUE(reader.IsReady());
    EXPECT_FALSE(FileInUse(settled));

    // A file dated ahead of this clock by less than the settling time may be one being written by a
    // receiver whose clock runs ahead.
    ASSERT_EQ(chmod(QFile::encodeName(settled).constData(), 0644), 0);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_TRUE(FileInUse(settled));
}

TEST_F(FileUtils, FileInUseWhileAnotherProcessHoldsItOpenForWritingHoweverOld) {
    const QString path = MakeFile("held.nc");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-600), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_FALSE(FileInUse(path));

    HoldingProcess writer(path, HoldingProcess::Mode::Writing);
    ASSERT_TRUE(writer.IsReady());
    EXPECT_TRUE(HeldOpenForWriting(path));
    EXPECT_TRUE(FileInUse(path));
    ASSERT_TRUE(writer.CloseFile());
    EXPECT_FALSE(HeldOpenForWriting(path));
    EXPECT_FALSE(FileInUse(path));
}

TEST_F(FileUtils, WritersAmongTheProgramsOwnProcessesDoNotMakeAFileInUse) {
    const QString path = MakeFile("own.nc");
    {
        QFile own(path);
        ASSERT_TRUE(own.open(QIODevice::Append));
        EXPECT_FALSE(HeldOpenForWriting(path));
    }
    HoldingProcess child(path, HoldingProcess::Mode::Writing);
    ASSERT_TRUE(child.IsReady());
    {
        const OwnProcessMark reader(child.Pid());
        EXPECT_FALSE(HeldOpenForWriting(path));
    }
    EXPECT_TRUE(HeldOpenForWriting(path));
}

QDateTime LastWrite(const QString& path) {
    return QFileInfo(path).lastModified().toUTC();
}

TEST_F(FileUtils, SetFileDateWritesTheUtcTimeAtTwoSecondResolution) {
    const QString path = MakeFile("image.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime accessed = QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9), Qt::UTC);
    ASSERT_TRUE(file.setFileTime(accessed, QFileDevice::FileAccessTime));
    file.close();

    SetFileDate(path, EncodeDateTime({2024, 1, 2, 12, 30, 0, 0}));
    EXPECT_EQ(LastWrite(path), QDateTime(QDate(2024, 1, 2), QTime(12, 30, 0), Qt::UTC));
    SetFileDate(path, EncodeDateTime({2024, 1, 2, 12, 30, 59, 0}));
    EXPECT_EQ(LastWrite(path), QDateTime(QDate(2024, 1, 2), QTime(12, 30, 58), Qt::UTC));
    EXPECT_EQ(QFileInfo(path).lastRead().toUTC(), accessed);
}

TEST_F(FileUtils, SetFileDateLeavesTheFileAloneWhenItCannot) {
    const QString path = MakeFile("image.png");
    SetFileDate(path, EncodeDateTime({2024, 1, 2, 12, 30, 0, 0}));
    const QDateTime set = LastWrite(path);

    SetFileDate(path, 0);
    SetFileDate(path, EncodeDateTime({1979, 12, 31, 23, 59, 58, 0}));
    SetFileDate(path, EncodeDateTime({2108, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(LastWrite(path), set);

    QFile held(path);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    SetFileDate(path, EncodeDateTime({2025, 3, 4, 5, 6, 8, 0}));
    EXPECT_EQ(LastWrite(path), set);
}

TEST(DosDateTime, PacksFieldsAndTruncatesToEvenSeconds) {
    const std::uint32_t packed = PackDosDateTime(EncodeDateTime({2024, 1, 2, 12, 30, 59, 0}));
    EXPECT_EQ(packed >> 16, (2024u - 1980) * 512 + 1 * 32 + 2);
    EXPECT_EQ(packed & 0xFFFF, 12u * 2048 + 30 * 32 + 29);
    EXPECT_EQ(UnpackDosDateTime(packed), EncodeDateTime({2024, 1, 2, 12, 30, 58, 0}));
}

TEST(DosDateTime, RoundTripsOverItsWholeRangeAndRejectsTheRest) {
    for (const DateTimeParts parts :
         {DateTimeParts{1980, 1, 1, 0, 0, 0, 0}, DateTimeParts{2000, 2, 29, 23, 59, 58, 0},
          DateTimeParts{2107, 12, 31, 23, 59, 58, 0}}) {
        const TDateTime time = EncodeDateTime(parts);
        EXPECT_EQ(UnpackDosDateTime(PackDosDateTime(time)), time) << parts.year;
    }
    EXPECT_EQ(PackDosDateTime(EncodeDateTime({1979, 12, 31, 23, 59, 58, 0})), 0u);
    EXPECT_EQ(PackDosDateTime(EncodeDateTime({2108, 1, 1, 0, 0, 0, 0})), 0u);
    EXPECT_FALSE(UnpackDosDateTime(0));
    EXPECT_FALSE(UnpackDosDateTime((44u * 512 + 13 * 32 + 1) << 16));            // month 13
    EXPECT_FALSE(UnpackDosDateTime((44u * 512 + 2 * 32 + 30) << 16));            // 30 February
    EXPECT_FALSE(UnpackDosDateTime((44u * 512 + 1 * 32 + 1) << 16 | 24 * 2048)); // hour 24
}

TEST(Clock, UtcNowIsTheCurrentUtcTime) {
    const qint64 expected = QDateTime::currentMSecsSinceEpoch();
    EXPECT_NEAR(static_cast<double>(UnixMsFromDateTime(UtcNow())), static_cast<double>(expected), 1000.0);
}

void WaitForNextTick() {
    const std::uint32_t start = TickCount();
    while (TickCount() == start) std::this_thread::yield();
}

class KeepAliveLook : public testing::Test {
protected:
    void SetUp() override {
        SetQueueLookHook([this] { ++Looks; });
    }
    void TearDown() override { SetQueueLookHook({}); }

    int Looks = 0;
};

TEST_F(KeepAliveLook, LooksOncePerTick) {
    int sameTickPairs = 0;
    for (int attempt = 0; attempt < 50 && sameTickPairs < 5; ++attempt) {
        WaitForNextTick();
        const int before = Looks;
        const std::uint32_t tick = TickCount();
        KeepAlive();
        KeepAlive();
        if (TickCount() != tick) continue;
        ++sameTickPairs;
        EXPECT_EQ(Looks - before, 1);
    }
    EXPECT_EQ(sameTickPairs, 5);
}

TEST(KeepAlive, DefaultLookRunsNoPendingHandler) {
    bool handled = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&handled] { handled = true; }, Qt::QueuedConnection);
    WaitForNextTick();
    KeepAlive();
    EXPECT_FALSE(handled);
    QCoreApplication::processEvents();
    EXPECT_TRUE(handled);
}

TEST_F(KeepAliveLook, DoesNotLookOffTheGuiThread) {
    WaitForNextTick();
    std::thread([] { KeepAlive(); }).join();
    EXPECT_EQ(Looks, 0);
}

} // namespace
