// The instance lock and instance names against a real folder; the lock between two processes is tested with
// the program itself (tests/app/ProgramTest.cpp).
#include "InstanceLock.h"
#include "InstanceName.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class InstanceLock : public testing::Test {
protected:
    QString LockFolder() const { return Dir.filePath("Nimbrel"); }
    QTemporaryDir Dir;
};

TEST_F(InstanceLock, FirstHolderGetsItAndASecondIsToldWhoRuns) {
    const Result<TInstanceLock> first = TInstanceLock::Acquire(LockFolder(), "g16");
    ASSERT_TRUE(first.ok()) << qPrintable(first.failure().message);

    const Result<TInstanceLock> second = TInstanceLock::Acquire(LockFolder(), "g16");
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.failure().code, FailureCode::AlreadyRunning);
    EXPECT_EQ(second.failure().message,
              QStringLiteral("instance \"g16\" is already running (process %1)").arg(::getpid()));
}

TEST_F(InstanceLock, OtherNamesRunSideBySide) {
    const Result<TInstanceLock> g16 = TInstanceLock::Acquire(LockFolder(), "g16");
    const Result<TInstanceLock> g18 = TInstanceLock::Acquire(LockFolder(), "g18");
    EXPECT_TRUE(g16.ok());
    EXPECT_TRUE(g18.ok());
}

TEST_F(InstanceLock, ReleasedWhenTheHolderEnds) {
    ASSERT_TRUE(TInstanceLock::Acquire(LockFolder(), "g16").ok());
    EXPECT_TRUE(TInstanceLock::Acquire(LockFolder(), "g16").ok());
}

TEST_F(InstanceLock, FolderIsMadePrivate) {
    ASSERT_TRUE(TInstanceLock::Acquire(LockFolder(), "g16").ok());
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(LockFolder()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(InstanceLock, FolderThatIsALinkIsRefused) {
    ASSERT_TRUE(QDir().mkpath(Dir.filePath("elsewhere")));
    ASSERT_TRUE(QFile::link(Dir.filePath("elsewhere"), LockFolder()));
    const Result<TInstanceLock> lock = TInstanceLock::Acquire(LockFolder(), "g16");
    ASSERT_FALSE(lock.ok());
    EXPECT_EQ(lock.failure().code, FailureCode::CannotLock);
    EXPECT_TRUE(lock.failure().message.contains("is not a folder of this user"))
        << qPrintable(lock.failure().message);
}

TEST_F(InstanceLock, MissingParentIsReportedWithTheSystemsReason) {
    const Result<TInstanceLock> lock = TInstanceLock::Acquire(Dir.filePath("missing/Nimbrel"), "g16");
    ASSERT_FALSE(lock.ok());
    EXPECT_EQ(lock.failure().code, FailureCode::CannotLock);
    EXPECT_TRUE(lock.failure().message.endsWith("No such file or directory"))
        << qPrintable(lock.failure().message);
}

TEST(InstanceName, SafeAsAFileNameAndAServiceInstance) {
    for (const char* good : {"g16", "GOES-18", "stratolux_2.test", "7"})
        EXPECT_TRUE(IsValidInstanceName(good)) << good;
    for (const char* bad : {"", ".hidden", "-start", "a/b", "..", "g 16", "g16\n"})
        EXPECT_FALSE(IsValidInstanceName(bad)) << bad;
    EXPECT_FALSE(IsValidInstanceName(QString(65, 'a')));
}

TEST(InstanceName, ChosenNameReplacesTheExecutablesName) {
    EXPECT_EQ(ProgramName(), DefaultInstanceName());
    SetInstanceName("g18");
    EXPECT_EQ(ProgramName(), "g18");
    SetInstanceName(QString());
    EXPECT_EQ(ProgramName(), DefaultInstanceName());
}

} // namespace
