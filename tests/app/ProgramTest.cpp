// The program itself as a child process: what it answers without a window, one process per instance, and a
// stop however it is sent.
#include "AbiSample.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int kQuickMs = 10000;

// A child process of parent (the first found), or 0 while it has none.
pid_t ChildOf(pid_t parent) {
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (command) state ppid ...": the command may hold spaces and brackets, so read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == parent) return entry.toInt();
    }
    return 0;
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(Dir.filePath("config/Nimbrel")));
        ASSERT_TRUE(QDir().mkpath(Dir.filePath("received")));
        ASSERT_TRUE(QDir().mkdir(Dir.filePath("run")));
    }
    void TearDown() override {
        // The build tree is writable, so the instance's log went beside the program.
        QFile::remove(QFileInfo(STRATOLUX_PROGRAM).dir().filePath(Instance + "-process.log"));
    }

    // An environment of its own for each run, headless unless withoutDisplay takes every display away.
    QProcessEnvironment Environment(bool withoutDisplay = false) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", Dir.filePath("config"));
        environment.insert("XDG_RUNTIME_DIR", Dir.filePath("run"));
        environment.insert("XDG_DATA_HOME", Dir.filePath("data"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (withoutDisplay)
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                environment.remove(name);
        return environment;
    }
    void Start(QProcess& process, const QStringList& arguments, bool withoutDisplay = false) const {
        process.setProcessEnvironment(Environment(withoutDisplay));
        process.start(STRATOLUX_PROGRAM, arguments);
    }
    QString SettingsFile() const { return Dir.filePath("config/Nimbrel/" + Instance + ".conf"); }
    QByteArray SettingsContent() const {
        QFile file(SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir Dir;
    const QString Instance = QStringLiteral("program-test-%1").arg(::getpid());
};

TEST_F(ProgramTest, HelpAndVersionAnswerAtOnceWithoutADisplay) {
    QProcess help;
    Start(help, {"--help"}, true);
    ASSERT_TRUE(help.waitForFinished(kQuickMs));
    EXPECT_EQ(help.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: stratolux [--instance NAME]"));

    QProcess version;
    Start(version, {"-start", "--version"}, true);
    ASSERT_TRUE(version.waitForFinished(kQuickMs));
    EXPECT_EQ(version.exitCode(), 0);
    const QString printed = version.readAllStandardOutput();
    EXPECT_TRUE(QRegularExpression("^stratolux \\d+\\.\\d+\\.\\d+\\n$").match(printed).hasMatch())
        << qPrintable(printed);
}

TEST_F(ProgramTest, BadInstanceNameEndsWithUsageStatus) {
    QProcess process;
    Start(process, {"--instance", "../elsewhere"}, true);
    ASSERT_TRUE(process.waitForFinished(kQuickMs));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("is not an instance name"));
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath("config/Nimbrel")) &&
                 !QDir(Dir.filePath("config/Nimbrel")).isEmpty());
}

TEST_F(ProgramTest, SecondStartOfAnInstanceIsRefusedAndLeavesTheFirstsSettingsAlone) {
    {
        QFile settings(SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nSourcePath=" + Dir.filePath("received/").toUtf8() + "\nSatellite=1\n");
    }
    QProcess first;
    Start(first, {"--instance", Instance, "-start"});
    // The start switch writes the window placement, FormClientHeight last: by then the first holds its lock.
    QTRY_VERIFY_WITH_TIMEOUT(SettingsContent().contains("FormClientHeight="), kQuickMs);
    const QByteArray before = SettingsContent();

    QProcess second;
    Start(second, {"--instance", Instance});
    ASSERT_TRUE(second.waitForFinished(kQuickMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    const QString refusal = second.readAllStandardError();
    EXPECT_TRUE(refusal.contains(QStringLiteral("instance \"%1\" is already running (process %2)")
                                     .arg(Instance)
                                     .arg(first.processId())))
        << qPrintable(refusal);
    EXPECT_EQ(SettingsContent(), before);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(kQuickMs));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(ProgramTest, StopDuringAReadFinishesTheFileWhereverTheSignalGoes) {
    // Ctrl-C in a terminal signals the whole process group; a service manager that signals every process of
    // the service reaches the reader as well.
    const QList<std::pair<const char*, std::function<void(pid_t, pid_t)>>> stops = {
        {"SIGINT to the process group", [](pid_t program, pid_t) { ::kill(-program, SIGINT); }},
        {"SIGTERM to program and reader",
         [](pid_t program, pid_t reader) {
             ::kill(program, SIGTERM);
             ::kill(reader, SIGTERM);
         }},
    };
    for (const auto& [how, stop] : stops) {
        SCOPED_TRACE(how);
        {
            QFile settings(SettingsFile());
            ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
            settings.write("[General]\nSourcePath=" + Dir.filePath("received/").toUtf8() +
                           "\nSavePath=" + Dir.filePath("images/").toUtf8() + "\n");
        }
        AbiSampleOptions sample;
        sample.size = 600;
        QFile received(WriteAbiSample(sample, Dir.filePath("received/")));
        ASSERT_TRUE(received.open(QIODevice::ReadWrite));
        // Received a minute ago: settled.
        ASSERT_TRUE(received.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60),
                                         QFileDevice::FileModificationTime));
        received.close();

        QProcess program;
        program.setChildProcessModifier([] { ::setpgid(0, 0); });
        Start(program, {"--instance", Instance, "-start"});
        ASSERT_TRUE(program.waitForStarted());
        pid_t reader = 0;
        QTRY_VERIFY_WITH_TIMEOUT((reader = ChildOf(program.processId())) != 0, kQuickMs);
        stop(program.processId(), reader);
        ASSERT_TRUE(program.waitForFinished(30000));
        const QString output = program.readAllStandardOutput();
        EXPECT_TRUE(output.contains("Processed")) << qPrintable(output);
        EXPECT_FALSE(output.contains("crashed")) << qPrintable(output);
        EXPECT_FALSE(received.exists());
    }
}

} // namespace
