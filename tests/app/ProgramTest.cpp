// The program itself as a child process: what it answers without a window, a start without a display, one
// process per instance, where its log goes, the settings file it leaves at SIGTERM and what it says of a
// settings file it cannot use, and a stop during a read however it is sent.
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
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int kQuickMs = 10000;

// A child process of parent (the first found), or 0 while it has none.
pid_t ChildOf(pid_t parent) {
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (command) state ppid ...": the command may hold spaces and brackets, so read after the last
        // ')'.
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
    // Waits until the program has logged its starting entry.
    static bool WaitForStart(QProcess& process, QByteArray& output) {
        return QTest::qWaitFor(
            [&] { return (output += process.readAllStandardOutput()).contains(" Starting "); }, kQuickMs);
    }
    // SIGTERM, as systemctl stop sends it; the program ends cleanly.
    static void Terminate(QProcess& process) {
        process.terminate();
        ASSERT_TRUE(process.waitForFinished(kQuickMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }
    void WriteSettings(const QByteArray& content) const {
        QFile settings(SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(settings.write(content), content.size());
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

class HeadlessStartTest : public ProgramTest, public testing::WithParamInterface<const char*> {};

TEST_P(HeadlessStartTest, WithoutADisplayTheProgramRunsOffscreenAndSaysSoOnce) {
    QProcess process;
    Start(process, {"--instance", Instance, GetParam()}, true);
    QByteArray output;
    ASSERT_TRUE(WaitForStart(process, output)) << process.readAllStandardError().constData();
    Terminate(process);
    const QString errors = process.readAllStandardError();
    EXPECT_EQ(errors.count("running headless on Qt's offscreen platform"), 1) << qPrintable(errors);
}

// A start switch, and a mistyped one.
INSTANTIATE_TEST_SUITE_P(Switches, HeadlessStartTest, testing::Values("-start", "-strat"));

TEST_F(ProgramTest, AFileNamedOnTheCommandLineThatDoesNotExistIsSaidOnStandardErrorAndInTheLog) {
    const QString missing = Dir.filePath("received/no-such-file.nc");
    QProcess process;
    Start(process, {"--instance", Instance, missing});
    const QString said = "File " + missing + " named on the command line does not exist: it is not processed";
    QByteArray output;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (output += process.readAllStandardOutput()).contains(said.toUtf8()); }, kQuickMs))
        << output.constData();
    Terminate(process);
    const QString errors = process.readAllStandardError();
    EXPECT_EQ(errors.count(said), 1) << qPrintable(errors);
    EXPECT_EQ(QString::fromUtf8(output + process.readAllStandardOutput()).count(said), 1);
}

TEST_F(ProgramTest, TheLogLiesBesideTheProgramOnlyInItsBuildTree) {
    const QString copy = Dir.filePath("bin/stratolux");
    ASSERT_TRUE(QDir().mkpath(Dir.filePath("bin")));
    ASSERT_TRUE(QFile::copy(STRATOLUX_PROGRAM, copy));
    const QString logName = Instance + "-process.log";
    const std::pair<QString, QString> cases[] = {
        {STRATOLUX_PROGRAM, QFileInfo(STRATOLUX_PROGRAM).dir().filePath(logName)},
        {copy, Dir.filePath("data/" + Instance + "/" + logName)},
    };
    for (const auto& [program, logFile] : cases) {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(program, {"--instance", Instance});
        QByteArray output;
        ASSERT_TRUE(WaitForStart(process, output)) << qPrintable(program);
        // The shutdown entry is more than starting and closing, so the log file is made.
        Terminate(process);
        EXPECT_TRUE(QFileInfo::exists(logFile)) << qPrintable(logFile);
    }
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath("bin/" + logName)));
}

TEST_F(ProgramTest, AnEditOfTheSettingsFileWhileRunningSurvivesSIGTERM) {
    WriteSettings("[General]\nSourcePath=" + Dir.filePath("received/").toUtf8() + "\n");
    QProcess process;
    Start(process, {"--instance", Instance, "-start"});
    // The start switch writes the window placement before processing starts and reports the unset image
    // folder; the program writes nothing more until it stops.
    QByteArray output;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (output += process.readAllStandardOutput()).contains("Image folder is not set"); },
        kQuickMs));

    const QByteArray edited = Dir.filePath("edited/").toUtf8();
    WriteSettings(SettingsContent().replace(Dir.filePath("received/").toUtf8(), edited));
    Terminate(process);
    const QByteArray content = SettingsContent();
    EXPECT_TRUE(content.contains("SourcePath=" + edited + "\n")) << content.constData();
    // What the file lacked, the program filled in.
    EXPECT_TRUE(content.contains("SaveAsJPEG=dword:00000001")) << content.constData();
}

TEST_F(ProgramTest, CommentsAndValuesItDoesNotKnowSurviveAStop) {
    const QByteArray own =
        "; station settings, kept by hand\n[General]\n# the receiver writes here\nSourcePath=" +
        Dir.filePath("received/").toUtf8() + "\nMyNote=keep me\n\nSaveAsPNG=1\n";
    const QByteArray other = "\n[Feedkeeper]\n; another program's\nImagesPath=/srv/images/\n";
    WriteSettings(own + other);
    QProcess process;
    Start(process, {"--instance", Instance, "-start"});
    QByteArray output;
    ASSERT_TRUE(WaitForStart(process, output)) << process.readAllStandardError().constData();
    Terminate(process);
    // What the program adds (the values the file lacked, the window's placement) follows the last value of
    // its section; every line the operator wrote stays as it stands.
    const QByteArray content = SettingsContent();
    EXPECT_TRUE(content.startsWith(own)) << content.constData();
    EXPECT_TRUE(content.endsWith(other)) << content.constData();
    EXPECT_TRUE(content.contains("\nSaveAsJPEG=dword:00000001\n")) << content.constData();
}

enum class SettingsFileProblem { BinaryGarbage, A50MBLine, ReadOnlyFile, FolderThatIsAFile };

std::string SettingsFileProblemName(const testing::TestParamInfo<SettingsFileProblem>& info) {
    const char* const names[] = {"BinaryGarbage", "A50MBLine", "ReadOnlyFile", "FolderThatIsAFile"};
    return names[static_cast<int>(info.param)];
}

class SettingsFileProblemTest : public ProgramTest,
                                public testing::WithParamInterface<SettingsFileProblem> {};

TEST_P(SettingsFileProblemTest, IsSaidOnceAtStartAndTheFileKept) {
    const QString folder = Dir.filePath("config/Nimbrel");
    const QString keptBeside = "it is kept beside it as " + Instance + ".conf.unreadable-";
    QString said;
    QByteArray content;
    // The file the problem concerns, which must hold the same bytes after the stop; empty for the file set
    // aside.
    QString kept = SettingsFile();
    switch (GetParam()) {
    case SettingsFileProblem::BinaryGarbage:
        content = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 19);
        WriteSettings(content);
        said =
            "Settings file " + SettingsFile() + " cannot be read (line 1 is not UTF-8 text): " + keptBeside;
        kept.clear();
        break;
    case SettingsFileProblem::A50MBLine:
        content = "[General]\nSourcePath=" + QByteArray(50 * 1024 * 1024, 'A') + "\nSatellite=1\n";
        WriteSettings(content);
        said = "Settings file " + SettingsFile() +
               " cannot be read (SourcePath is longer than 65536 bytes): " + keptBeside;
        kept.clear();
        break;
    case SettingsFileProblem::ReadOnlyFile:
        content = "[General]\nSourcePath=" + Dir.filePath("received/").toUtf8() + "\n";
        WriteSettings(content);
        ASSERT_TRUE(QFile::setPermissions(SettingsFile(), QFileDevice::ReadOwner | QFileDevice::ReadOther));
        said = "Settings file " + SettingsFile() + " is read-only: changes to the settings cannot be kept";
        break;
    case SettingsFileProblem::FolderThatIsAFile: {
        content = "not a folder\n";
        ASSERT_TRUE(QDir(folder).removeRecursively());
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
        said = "Settings folder " + folder + " is not a folder: changes to the settings cannot be kept";
        kept = folder;
        break;
    }
    }
    QProcess process;
    Start(process, {"--instance", Instance, "-start"});
    QByteArray output;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (output += process.readAllStandardOutput()).contains(" Image folder is not set"); },
        kQuickMs))
        << output.constData();
    Terminate(process);
    const QString log = QString::fromUtf8(output + process.readAllStandardOutput());
    EXPECT_EQ(log.count(said), 1) << qPrintable(log);
    if (kept.isEmpty()) {
        const QStringList aside = QDir(folder).entryList({Instance + ".conf.unreadable-*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        kept = folder + "/" + aside[0];
        // The defaults stand in: the source folder is not set.
        EXPECT_TRUE(log.contains(" Source folder is not set")) << qPrintable(log);
    }
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == content);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFileProblemTest,
                         testing::Values(SettingsFileProblem::BinaryGarbage, SettingsFileProblem::A50MBLine,
                                         SettingsFileProblem::ReadOnlyFile,
                                         SettingsFileProblem::FolderThatIsAFile),
                         SettingsFileProblemName);

TEST_F(ProgramTest, OnTheJournalAFailedFileAndAWarningStandApartFromTheRest) {
    const QByteArray received = Dir.filePath("received/").toUtf8();
    WriteSettings("[General]\nSourcePath=" + received + "\nSavePath=" + received + "\nBandsSelected=B13\n");
    QFile broken(Dir.filePath("received/OR_ABI-L1b-RadF-M6C13_G16_s20250212000204_e2_c3.nc"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    ASSERT_EQ(broken.write(QByteArray(4000, 'x')), 4000);
    broken.close();
    AbiSampleOptions incomplete;
    incomplete.size = 200;
    incomplete.missingRowsPercent = 20;
    // Received a minute ago, so that the first scan takes it.
    QFile written(WriteAbiSample(incomplete, Dir.filePath("received")));
    ASSERT_TRUE(
        written.open(QIODevice::ReadWrite) &&
        written.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60), QFileDevice::FileModificationTime));
    written.close();
    // The journal's stream stands in as a file, named in JOURNAL_STREAM as the service manager names it.
    const QString journal = Dir.filePath("journal");
    QFile(journal).open(QIODevice::WriteOnly);
    struct stat stream {};
    ASSERT_EQ(::stat(QFile::encodeName(journal).constData(), &stream), 0);
    QProcessEnvironment environment = Environment();
    environment.insert("JOURNAL_STREAM", QStringLiteral("%1:%2").arg(stream.st_dev).arg(stream.st_ino));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(journal);
    process.start(STRATOLUX_PROGRAM, {"--instance", Instance, "-start"});
    const auto journalText = [&] {
        QFile file(journal);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return journalText().contains(" failed: ") && journalText().contains(": incomplete, "); },
        30000))
        << qPrintable(journalText());
    Terminate(process);

    const QStringList lines = journalText().split(u'\n', Qt::SkipEmptyParts);
    const auto priorityOf = [&](const QString& text) {
        for (const QString& line : lines)
            if (line.contains(text)) return line.left(3);
        return QString();
    };
    EXPECT_EQ(priorityOf(" Starting "), "<6>");
    EXPECT_EQ(priorityOf(" is also the image folder"), "<4>");
    EXPECT_EQ(priorityOf(" failed: "), "<3>");
    EXPECT_EQ(priorityOf(" Processed "), "<6>");
    EXPECT_EQ(priorityOf(": incomplete, "), "<4>");
    EXPECT_EQ(priorityOf(" Closing "), "<6>");
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
