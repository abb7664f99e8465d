// The processing log of a real process: killed with SIGKILL, run under a locale with another time separator,
// and with a log file that cannot be written.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class ProcessingLogProcessTest : public testing::Test {
protected:
    // Starts the child logging a caption and `count` lines into logPath, waits until standard output has
    // shown them all and kills it.
    void LogAndKill(const QString& logPath, int count, const QString& locale = QStringLiteral("C.UTF-8")) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("LC_ALL"), locale);
        child.setProcessEnvironment(environment);
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
