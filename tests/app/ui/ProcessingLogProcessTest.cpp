// The processing log of a real process: killed with SIGKILL, run under a locale with another time separator,
// with a log file that cannot be written, and with standard output going to the journal.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class ProcessingLogProcessTest : public testing::Test {
protected:
    // Starts the child logging a caption and `count` lines into logPath, waits until standard output has
    // shown them all and kills it. Its JOURNAL_STREAM, inherited as from a service, names another stream.
    void LogAndKill(const QString& logPath, int count, const QString& locale = QStringLiteral("C.UTF-8")) {
        QProcess child;
        child.setProcessEnvironment(ChildEnvironment(locale, QStringLiteral("1:1")));
        child.start(QStringLiteral(LOG_WRITER_CHILD), {logPath, QString::number(count)});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (output.count('\n') < count + 1 && child.waitForReadyRead(10000))
            output += child.readAllStandardOutput();
        ASSERT_EQ(output.count('\n'), count + 1) << output.constData();
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
        echoed = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
        errors = QString::fromLocal8Bit(child.readAllStandardError());
    }

    static QProcessEnvironment ChildEnvironment(const QString& locale, const QString& journalStream) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("LC_ALL"), locale);
        environment.insert(QStringLiteral("JOURNAL_STREAM"), journalStream);
        return environment;
    }

    static QByteArray FileContent(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    QStringList echoed;
    QString errors;
};

const QRegularExpression kStampWithoutTime(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d {6})"));

TEST_F(ProcessingLogProcessTest, AKilledProgramLosesNoLogLine) {
    const QString path = folder.filePath(QStringLiteral("station-process.log"));
    constexpr int kLines = 2000;
    LogAndKill(path, kLines);

    const QList<QByteArray> lines = FileContent(path).split('\n');
    ASSERT_EQ(lines.size(), kLines + 2); // the caption, the lines and nothing after the last line end
    EXPECT_TRUE(lines.last().isEmpty());
    for (int i = 1; i <= kLines; ++i)
        ASSERT_TRUE(lines[i].endsWith(" line " + QByteArray::number(i) + "\r")) << lines[i].constData();
}

TEST_F(ProcessingLogProcessTest, EveryLineGoesToStandardOutputWithItsStamp) {
    const QString path = folder.filePath(QStringLiteral("station-process.log"));
    LogAndKill(path, 3);

    ASSERT_EQ(echoed.size(), 4);
    EXPECT_EQ(echoed.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
              QString::fromUtf8(FileContent(path)));
    EXPECT_TRUE(kStampWithoutTime.match(echoed[3]).hasMatch()) << qPrintable(echoed[3]);
    EXPECT_TRUE(echoed[3].endsWith(QStringLiteral("      line 3")));
}

TEST_F(ProcessingLogProcessTest, OnTheJournalEachEchoedLineBeginsWithItsPriority) {
    const QString path = folder.filePath(QStringLiteral("station-process.log"));
    // The journal's stream stands in as a file, named in JOURNAL_STREAM as the service manager names it.
    const QString journal = folder.filePath(QStringLiteral("journal"));
    QFile(journal).open(QIODevice::WriteOnly);
    struct stat stream {};
    ASSERT_EQ(::stat(QFile::encodeName(journal).constData(), &stream), 0);
    QProcess child;
    child.setProcessEnvironment(ChildEnvironment(
        QStringLiteral("C.UTF-8"), QStringLiteral("%1:%2").arg(stream.st_dev).arg(stream.st_ino)));
    child.setStandardOutputFile(journal);
    child.start(QStringLiteral(LOG_WRITER_CHILD), {path, QStringLiteral("3")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileContent(journal).count('\n') == 4; }, 10000));
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10000));

    const QList<QByteArray> lines = FileContent(journal).trimmed().split('\n');
    const QList<QByteArray> fileLines = FileContent(path).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    const char* priorities[] = {"<6>", "<6>", "<4>", "<3>"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(lines[i].startsWith(priorities[i])) << lines[i].constData();
        // The log file holds the line without it.
        EXPECT_EQ(lines[i].mid(3), fileLines[i].trimmed());
    }
}

TEST_F(ProcessingLogProcessTest, StampsSeparateTheTimeByColonsWhateverTheLocale) {
    const QString path = folder.filePath(QStringLiteral("station-process.log"));
    LogAndKill(path, 0, QStringLiteral("fi_FI.UTF-8"));

    const QString line = QString::fromUtf8(FileContent(path)).trimmed();
    // The locale is in force: a caption of the program shows its own separator.
    ASSERT_TRUE(line.endsWith(QStringLiteral("caption 20.02.04"))) << qPrintable(line);
    EXPECT_TRUE(kStampWithoutTime.match(line).hasMatch()) << qPrintable(line);
}

TEST_F(ProcessingLogProcessTest, AnUnwritableLogFileIsSaidOnceAndTheLogGoesOn) {
    // A file where the log's folder should be.
    const QString blocker = folder.filePath(QStringLiteral("station"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    LogAndKill(blocker + QStringLiteral("/station-process.log"), 5);

    EXPECT_EQ(echoed.size(), 6);
    EXPECT_EQ(errors.count(QStringLiteral("the log file is not written")), 1) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(blocker)) << qPrintable(errors);
}

} // namespace
