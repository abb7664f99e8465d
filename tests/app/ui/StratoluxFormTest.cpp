// The main window driven as an operator would: first run, restored options, command line, a processed scan,
// Stop, the exit question and a shutdown signal.
#include "StratoluxForm.h"
#include "AbiFileTruth.h"
#include "AbiSample.h"
#include "CommandLine.h"
#include "InstanceName.h"
#include "ProgramOptions.h"
#include "RegistryStore.h"
#include "RegistryVariables.h"
#include "ShutdownSignals.h"
#include "TemporaryStore.h"
#include "Thumbnail.h"
#include "VelCheckBox.h"
#include "VelCheckListBox.h"
#include "VelLabeledEdit.h"
#include "WindowParts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class StratoluxFormTest : public testing::Test {
protected:
    TTemporaryStore store;
    QTemporaryDir folder;
    QString received, images, logFile;
    int questions = 0;
    bool answerYes = false;

    void SetUp() override {
        received = folder.filePath("received") + "/";
        images = folder.filePath("images") + "/";
        logFile = folder.filePath("stratolux-process.log");
        QDir().mkpath(received);
        TFormStratolux::SetExitQuestionHook([this](QWidget*) {
            ++questions;
            return answerYes;
        });
    }
    void TearDown() override { TFormStratolux::SetExitQuestionHook(nullptr); }

    void StoreText(const QString& name, const QString& value) { TRegistryString(name, value).Write(); }
    void StoreFlag(const QString& name, bool value) { TRegistryBoolean(name, value).Write(); }
    void StoreFolders() {
        StoreText("SourcePath", received);
        StoreText("NetCDFPath", images);
        StoreText("SavePath", images);
    }
    QString Receive(int band, int size = 200) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = size;
        return WriteAbiSample(sample, received);
    }
    static ProcessingWaits Quick() { return ProcessingWaits::None(); }
    // Shows the window and lets the start-up timer run.
    static void ShowAndStart(TFormStratolux& form) {
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.StartingUp(); }, 5000));
    }
    static WindowParts Parts(const TFormStratolux& form) { return WindowParts(form); }
    static QString LogText(const TFormStratolux& form) { return Parts(form).log->toPlainText(); }
    QByteArray LogFileContent() const {
        QFile file(logFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

TEST(CommandLine, SwitchesInAnyCaseAfterDashOrSlash) {
    const CommandLine line = ParseCommandLine({"/data/file.nc", "/START", "-Log", "images", "--images"});
    EXPECT_TRUE(line.start);
    EXPECT_TRUE(line.log);
    EXPECT_FALSE(line.images);
    EXPECT_EQ(line.firstArgument, "/data/file.nc");
    EXPECT_TRUE(ParseCommandLine({"-IMAGES"}).images);
    EXPECT_FALSE(ParseCommandLine({"-starts"}).start);
}

TEST(CommandLine, OptionsItDoesNotKnowAreListedButPathsAreNot) {
    const CommandLine line =
        ParseCommandLine({"/data/file.nc", "-start", "--images", "-x", "/LOG", "/srv/in"});
    EXPECT_EQ(line.unknownOptions, QStringList({"--images", "-x"}));
    EXPECT_TRUE(line.start);
    EXPECT_TRUE(line.log);
}

TEST(CommandLine, AFirstArgumentMeantAsAFileThatNamesNoneIsSaidWithItsReason) {
    QTemporaryDir dir;
    const QString file = dir.filePath("file.nc");
    QFile(file).open(QIODevice::WriteOnly);
    const struct {
        QString first;
        QString said; // empty: nothing to say
    } cases[] = {
        {dir.filePath("missing.nc"), "File " + dir.filePath("missing.nc") +
                                         " named on the command line does not exist: it is not processed"},
        {dir.path(), "File " + dir.path() + " named on the command line is a folder: it is not processed"},
        {file, {}},
        {"-start", {}},
        {"/LOG", {}},
        {"-x", {}},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(NamedFileProblem(ParseCommandLine({entry.first})).value_or(QString()), entry.said)
            << qPrintable(entry.first);
    EXPECT_FALSE(NamedFileProblem(ParseCommandLine({})));
}

TEST(CommandLine, FilesAfterTheFirstArgumentAreListedAsIgnored) {
    const CommandLine line = ParseCommandLine({"-start", "/data/file.nc", "-log", "other.nc"});
    EXPECT_EQ(line.ignoredArguments, QStringList({"/data/file.nc", "other.nc"}));
    EXPECT_TRUE(ParseCommandLine({"/data/file.nc", "/images"}).ignoredArguments.isEmpty());
}

TEST(ProgramOptions, HelpAndVersionWinWherever) {
    EXPECT_EQ(ParseProgramOptions({"-start", "--help"}).action, ProgramOptions::Action::ShowHelp);
    EXPECT_EQ(ParseProgramOptions({"-h"}).action, ProgramOptions::Action::ShowHelp);
    EXPECT_EQ(ParseProgramOptions({"/data/x.nc", "--version"}).action, ProgramOptions::Action::ShowVersion);
    EXPECT_TRUE(UsageText("stratolux").startsWith("Usage: stratolux [--instance NAME]"));
}

TEST(ProgramOptions, InstanceIsTakenOutAndTheRestKeepsItsOrder) {
    const ProgramOptions separate = ParseProgramOptions({"--instance", "g16", "/data/x.nc", "-start"});
    EXPECT_EQ(separate.action, ProgramOptions::Action::Run);
    EXPECT_EQ(separate.instanceName, "g16");
    EXPECT_EQ(separate.rest, QStringList({"/data/x.nc", "-start"}));
    // So the named file is still the window's first argument.
    EXPECT_EQ(ParseCommandLine(separate.rest).firstArgument, "/data/x.nc");

    const ProgramOptions joined = ParseProgramOptions({"-platform", "offscreen", "--instance=g18"});
    EXPECT_EQ(joined.instanceName, "g18");
    EXPECT_EQ(joined.rest, QStringList({"-platform", "offscreen"}));
    EXPECT_TRUE(ParseProgramOptions({"-start"}).instanceName.isEmpty());
}

TEST(ProgramOptions, MissingOrUnsafeInstanceNameIsBadUsage) {
    const ProgramOptions missing = ParseProgramOptions({"-start", "--instance"});
    EXPECT_EQ(missing.action, ProgramOptions::Action::BadUsage);
    EXPECT_EQ(missing.problem, "--instance needs a name");
    const ProgramOptions unsafe = ParseProgramOptions({"--instance", "../g16"});
    EXPECT_EQ(unsafe.action, ProgramOptions::Action::BadUsage);
    EXPECT_TRUE(unsafe.problem.startsWith("\"../g16\" is not an instance name"))
        << qPrintable(unsafe.problem);
}

TEST_F(StratoluxFormTest, FirstRunOpensOnSetupWithTheDefaultBands) {
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    EXPECT_EQ(Parts(form).pages->currentWidget(), Parts(form).setup);
    EXPECT_EQ(Parts(form).setup->CheckListBoxBandsSelected->CheckedList(), "B02,B03,B05,B13");
    EXPECT_TRUE(Parts(form).setup->CheckBoxSaveAsJPEG->isChecked());
    EXPECT_FALSE(Parts(form).setup->CheckBoxSaveAsPNG->isChecked());
    EXPECT_TRUE(form.windowTitle().startsWith("GOES-16 Stratolux  V"));
    EXPECT_TRUE(form.windowTitle().endsWith("  Nimbrel, Corrandale"));
    EXPECT_EQ(Parts(form).startStop->text(), "Start  ");
    EXPECT_FALSE(form.Running());
    EXPECT_TRUE(LogText(form).contains("Starting "));
    EXPECT_EQ(form.size(), QSize(684, 690));
}

TEST_F(StratoluxFormTest, StoredOptionsAreShownWithoutRunningTheirHandlers) {
    StoreFlag("SaveAsJPEG", true);
    StoreFlag("SaveAsJpegLow", true);
    TRegistryInteger("Satellite", 2).Write();
    StoreText("BandsSelected", "");
    QFile(logFile).open(QIODevice::WriteOnly);
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    EXPECT_TRUE(Parts(form).setup->CheckBoxSaveAsJPEG->isChecked());
    EXPECT_TRUE(Parts(form).setup->CheckBoxSaveAsJpegLow->isChecked());
    EXPECT_TRUE(form.windowTitle().startsWith("GOES-18 "));
    EXPECT_EQ(Parts(form).setup->CheckListBoxBandsSelected->CheckedList(), "B02,B03,B05,B13");
    EXPECT_EQ(Parts(form).pages->currentWidget(), Parts(form).thumbnails);

    // A user's click keeps the two JPEG options apart.
    QTest::mouseClick(Parts(form).setup->CheckBoxSaveAsJPEG, Qt::LeftButton);
    QTest::mouseClick(Parts(form).setup->CheckBoxSaveAsJPEG, Qt::LeftButton);
    EXPECT_TRUE(Parts(form).setup->CheckBoxSaveAsJPEG->isChecked());
    EXPECT_FALSE(Parts(form).setup->CheckBoxSaveAsJpegLow->isChecked());
    QTest::mouseClick(Parts(form).setup->CheckBoxSaveAsJpegLow, Qt::LeftButton);
    EXPECT_TRUE(Parts(form).setup->CheckBoxSaveAsJpegLow->isChecked());
    EXPECT_FALSE(Parts(form).setup->CheckBoxSaveAsJPEG->isChecked());
}

TEST_F(StratoluxFormTest, SaveAsGeoTiffIsAnOptionBesideTheOtherSavesOffUntilTicked) {
    {
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        TVelCheckBox* geoTiff = Parts(form).setup->CheckBoxSaveAsGeoTIFF;
        EXPECT_EQ(geoTiff->text(), "Save as GeoTIFF");
        EXPECT_FALSE(geoTiff->isChecked());
        EXPECT_FALSE(Parts(form).setup->Options().saveAsGeoTiff);
        EXPECT_EQ(geoTiff->parentWidget(), Parts(form).setup->CheckBoxSaveAsPNG->parentWidget());
        for (const TVelCheckBox* other : geoTiff->parentWidget()->findChildren<TVelCheckBox*>()) {
            if (other == geoTiff) continue;
            EXPECT_FALSE(other->geometry().intersects(geoTiff->geometry())) << qPrintable(other->text());
        }
        QTest::mouseClick(geoTiff, Qt::LeftButton);
        EXPECT_TRUE(Parts(form).setup->Options().saveAsGeoTiff);
    }
    EXPECT_TRUE(TRegistryBoolean("SaveAsGeoTIFF", false).Value);
    TFormStratolux again({}, logFile);
    ShowAndStart(again);
    EXPECT_TRUE(Parts(again).setup->CheckBoxSaveAsGeoTIFF->isChecked());
}

TEST_F(StratoluxFormTest, TheReadersBoundIsASettingInMinutes) {
    {
        TFormStratolux form({}, logFile);
        EXPECT_EQ(form.Reader.answerWithin, std::chrono::minutes(10));
    }
    // The default is written for the operator to find.
    TRegistryInteger stored("ReaderAnswerMinutes", -1);
    EXPECT_EQ(stored.Value, 10);
    stored.Value = 3;
    stored.Write();
    EXPECT_EQ(TFormStratolux({}, logFile).Reader.answerWithin, std::chrono::minutes(3));
    // A bound of no time would fail every file.
    stored.Value = 0;
    stored.Write();
    EXPECT_EQ(TFormStratolux({}, logFile).Reader.answerWithin, std::chrono::minutes(10));
}

TEST_F(StratoluxFormTest, AFirstRunLeavesEverySettingWithoutAControlInTheFileWithItsDefault) {
    {
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        form.close();
    }
    const std::pair<const char*, QString> defaults[] = {
        {"WebPort", "0"},           {"WebAddress", "127.0.0.1"}, {"ReaderAnswerMinutes", "10"},
        {"KeepImagesDays", "0"},    {"KeepNetCDFDays", "0"},     {"IncompleteBelowPercent", "99"},
        {"WatchSourceFolder", "0"}, {"LastSavedB13", QString()},
    };
    for (const auto& [name, value] : defaults) {
        const TStoredValue stored = ReadStoredValue(ProgramName(), name);
        ASSERT_NE(stored.Type, TStoredType::Missing) << name;
        EXPECT_EQ(stored.Type == TStoredType::Dword ? QString::number(stored.Dword) : stored.Text, value)
            << name;
    }
}

TEST_F(StratoluxFormTest, RetentionDaysAreSettingsAndBelowZeroKeepForEver) {
    TRegistryInteger images("KeepImagesDays", 0), netCdf("KeepNetCDFDays", 0);
    images.Value = 14;
    images.Write();
    netCdf.Value = -5;
    netCdf.Write();
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    EXPECT_EQ(form.Scan().Options().keep.images, 14);
    EXPECT_EQ(form.Scan().Options().keep.netCdf, 0);
}

TEST_F(StratoluxFormTest, AnotherInstanceIsNamedInTheCaptionAndReadsItsOwnSettings) {
    TRegistryInteger("Satellite", 0).Write();
    struct InstanceForThisTest {
        InstanceForThisTest() { SetInstanceName("g18"); }
        ~InstanceForThisTest() { SetInstanceName(QString()); }
    } instance;
    TRegistryInteger("Satellite", 2).Write();
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    EXPECT_TRUE(form.windowTitle().startsWith("GOES-18 Stratolux [g18]  V"))
        << qPrintable(form.windowTitle());
    EXPECT_TRUE(QFileInfo::exists(store.KeyFile("g18")));
}

TEST_F(StratoluxFormTest, LeftPathEditsEndInASeparatorAndAreStoredAtOnce) {
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    TVelLabeledEdit* source = Parts(form).setup->LabeledEditSourcePath;
    source->setFocus();
    source->setText("/data/in");
    Parts(form).setup->LabeledEditSavePath->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return source->text() == "/data/in/"; }, 5000));
    EXPECT_EQ(TRegistryString("SourcePath", "?").Value, "/data/in/");
    source->setFocus();
    source->clear();
    Parts(form).setup->LabeledEditSavePath->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(source->text(), "");
}

TEST_F(StratoluxFormTest, SwitchesStartAndChooseTheTab) {
    StoreFolders();
    TFormStratolux logThenImages(ParseCommandLine({"-log", "/IMAGES"}), logFile);
    ShowAndStart(logThenImages);
    EXPECT_EQ(Parts(logThenImages).pages->currentWidget(), Parts(logThenImages).thumbnails);

    TFormStratolux started(ParseCommandLine({"/START", "-log"}), logFile);
    started.Waits = Quick();
    started.Reader.program = READER_PROGRAM;
    ShowAndStart(started);
    EXPECT_TRUE(started.Running());
    EXPECT_EQ(Parts(started).startStop->text(), "Stop   ");
    EXPECT_EQ(Parts(started).pages->currentWidget(), Parts(started).log);
    started.BitBtnStartStopClick();
}

TEST_F(StratoluxFormTest, ANamedFileIsProcessedAloneAndTheProgramStops) {
    StoreFolders();
    StoreText("BandsSelected", "B13");
    const QString named = Receive(13);
    const QString other = Receive(2);
    TFormStratolux form(ParseCommandLine({named}), logFile);
    form.Waits = Quick();
    form.Reader.program = READER_PROGRAM;
    QSignalSpy ended(&form.Scan(), &ScanController::ScanEnded);
    ShowAndStart(form);
    EXPECT_TRUE(form.SingleFileMode());
    ASSERT_TRUE(ended.size() == 1 || ended.wait(15000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Running(); }, 5000));
    EXPECT_EQ(Parts(form).startStop->text(), "Start  ");
    EXPECT_FALSE(QFile::exists(named));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_TRUE(form.isVisible());
    // The band's thumbnail shows the new image, as after a file of a scan.
    const Thumbnail* b13 = Parts(form).thumbnails->findChild<Thumbnail*>(QStringLiteral("ImageB13"));
    ASSERT_NE(b13, nullptr);
    const auto blank = [&] {
        const uchar* row = b13->Picture().ScanLine(Thumbnail::kSide / 2);
        return std::all_of(row, row + Thumbnail::kSide, [](uchar grey) { return grey == BlankGrey(12); });
    };
    EXPECT_FALSE(blank());

    // With the start switch as well, the file test presses the button a second time: stopped, nothing done.
    const QString again = Receive(13);
    TFormStratolux twice(ParseCommandLine({again, "-start"}), logFile);
    ShowAndStart(twice);
    EXPECT_FALSE(twice.Running());
    EXPECT_TRUE(QFile::exists(again));
}

TEST_F(StratoluxFormTest, AProcessedScanIsReportedEverywhere) {
    StoreFolders();
    Receive(13);
    Receive(2);
    TFormStratolux form({}, logFile);
    form.Waits = Quick();
    form.Reader.program = READER_PROGRAM;
    QSignalSpy ended(&form.Scan(), &ScanController::ScanEnded);
    QColor lampDuringTheScan;
    QObject::connect(&form.Scan(), &ScanController::FileReported, &form,
                     [&] { lampDuringTheScan = Parts(form).lamp->Colour(); });
    ShowAndStart(form);
    QTest::mouseClick(Parts(form).startStop, Qt::LeftButton);
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(lampDuringTheScan, QColor(255, 255, 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.windowTitle().contains("Processed"); }, 5000));

    EXPECT_TRUE(form.windowTitle().contains("  -  Processed: 2025-01-21 20:00 B13"))
        << qPrintable(form.windowTitle());
    EXPECT_TRUE(form.LastSaved(12).endsWith("202501212002-g16-b13.jpg"));
    EXPECT_TRUE(form.LastSaved(1).endsWith("202501212002-g16-b02.jpg"));
    // The store is written in the background.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ReadStoredValue(ProgramName(), "LastSavedB13").Text == form.LastSaved(12); }));
    const QString log = LogText(form);
    EXPECT_LT(log.indexOf("band B02"), log.indexOf("band B13"));
    EXPECT_TRUE(log.contains(
        QString::fromUtf8("Processed  2025-01-21 2000  band B13 10.3 \u00B5m  thermal  at 75.2\u00B0 W")));
    EXPECT_TRUE(
        Parts(form).statusBar->currentMessage().startsWith("GOES-16  Processed  2025-01-21 2000  band B13"));
    EXPECT_TRUE(Parts(form).thumbnails->Hint(12).startsWith("GOES-16  2025-01-21 2000  band B13  ["));
    EXPECT_EQ(Parts(form).lamp->Colour(), QColor(128, 128, 128));
    EXPECT_TRUE(form.Running());
    EXPECT_GT(QDateTime::currentDateTimeUtc().msecsTo(form.Scan().NextScanAt()), 40000);
}

TEST_F(StratoluxFormTest, AnIncompleteImageIsPublishedAndWarnedOfRightAfterItsProcessedLine) {
    StoreFolders();
    AbiSampleOptions sample;
    sample.size = 400;
    sample.missingRowsPercent = 20;
    sample.uncorrectableErrorsPercent = 0.4;
    sample.grb = true;
    const QString path = WriteAbiSample(sample, received);
    const double missing = 100.0 - CountFlags(path).CompletenessPercent();
    TFormStratolux form({}, logFile);
    form.Waits = Quick();
    form.Reader.program = READER_PROGRAM;
    QSignalSpy ended(&form.Scan(), &ScanController::ScanEnded);
    ShowAndStart(form);
    QTest::mouseClick(Parts(form).startStop, Qt::LeftButton);
    ASSERT_TRUE(ended.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return LogText(form).contains(": incomplete, "); }, 5000));

    const QStringList lines = LogText(form).split('\n');
    const qsizetype processed =
        lines.indexOf(QRegularExpression(".* Processed  2025-01-21 2000  band B13 .*"));
    ASSERT_GE(processed, 0) << qPrintable(LogText(form));
    ASSERT_LT(processed + 1, lines.size());
    EXPECT_EQ(lines[processed + 1].mid(25), QFileInfo(path).fileName() + ": incomplete, " +
                                                QString::number(missing, 'f', 1) +
                                                " % of the disk missing (GRB errors 0.4 %)");
    EXPECT_TRUE(QFileInfo(form.LastSaved(12)).isFile());
}

TEST_F(StratoluxFormTest, TheIncompleteThresholdIsADecimalSettingFromZeroToAHundred) {
    const std::pair<QString, double> cases[] = {{"80.5", 80.5}, {"0", 0}, {"100.5", 99}, {"-1", 99}};
    for (const auto& [stored, expected] : cases) {
        ASSERT_TRUE(WriteStoredText(ProgramName(), "IncompleteBelowPercent", stored));
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        EXPECT_EQ(form.Scan().Options().incompleteBelowPercent, expected) << qPrintable(stored);
        const bool outside = expected == 99;
        EXPECT_EQ(LogText(form).count("Setting IncompleteBelowPercent=" + stored +
                                      " is outside 0 to 100: the default 99 is used"),
                  outside ? 1 : 0)
            << qPrintable(LogText(form));
        form.close();
    }
}

TEST_F(StratoluxFormTest, StopDuringAScanEndsItBeforeTheNextFile) {
    StoreFolders();
    StoreText("BandsSelected", "B01,B02,B03,B04,B05");
    for (int band = 1; band <= 5; ++band) Receive(band);
    // The second file's reader never answers: it is given up on only long after the Stop has been handled,
    // however slow the machine, so no third file can have begun before it.
    qputenv("STRATOLUX_TEST_READER_HANG", "M6C02_");
    TFormStratolux form({}, logFile);
    form.Waits = Quick();
    form.Reader.program = TEST_READER_PROGRAM;
    form.Reader.answerWithin = std::chrono::seconds(5);
    QSignalSpy reports(&form.Scan(), &ScanController::FileReported);
    QSignalSpy ended(&form.Scan(), &ScanController::ScanEnded);
    ShowAndStart(form);
    form.BitBtnStartStopClick();
    ASSERT_TRUE(reports.wait(10000));
    form.BitBtnStartStopClick();
    ASSERT_TRUE(ended.size() == 1 || ended.wait(20000));
    qunsetenv("STRATOLUX_TEST_READER_HANG");
    EXPECT_LE(reports.size(), 2);
    EXPECT_EQ(Parts(form).startStop->text(), "Start  ");
    EXPECT_FALSE(form.Scan().NextScanAt().isValid());
    EXPECT_FALSE(QDir(received).isEmpty());
}

TEST_F(StratoluxFormTest, ClosingWhileRunningAsksFirst) {
    QFile(logFile).open(QIODevice::WriteOnly);
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    form.close();
    EXPECT_EQ(questions, 0);
    EXPECT_FALSE(form.isVisible());

    TFormStratolux running({}, logFile);
    QSignalSpy ended(&running.Scan(), &ScanController::ScanEnded);
    ShowAndStart(running);
    running.BitBtnStartStopClick();
    // The first scan has ended: the next is 50 s away.
    ASSERT_TRUE(ended.wait(10000));
    answerYes = false;
    running.close();
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(running.isVisible());
    EXPECT_TRUE(running.Running());
    EXPECT_TRUE(running.Scan().NextScanAt().isValid()) << "the cycle goes on after the question";
    answerYes = true;
    running.close();
    EXPECT_EQ(questions, 2);
    EXPECT_FALSE(running.isVisible());
    EXPECT_FALSE(running.Running());
    EXPECT_TRUE(LogText(running).contains("Closing "));
    // Every entry is in the log file as soon as it is written: both runs' starting and closing entries.
    EXPECT_EQ(LogFileContent().count("  Starting "), 2);
    EXPECT_EQ(LogFileContent().count("  Closing "), 2);
}

TEST_F(StratoluxFormTest, ClosingDuringAFileWaitsForItsReport) {
    StoreFolders();
    StoreText("BandsSelected", "B01,B02,B03");
    for (int band = 1; band <= 3; ++band) Receive(band);
    TFormStratolux form({}, logFile);
    form.Waits = Quick();
    form.Reader.program = READER_PROGRAM;
    form.Waits.beforeRead = std::chrono::milliseconds(300);
    QSignalSpy reports(&form.Scan(), &ScanController::FileReported);
    QSignalSpy ended(&form.Scan(), &ScanController::ScanEnded);
    ShowAndStart(form);
    form.BitBtnStartStopClick();
    ASSERT_TRUE(reports.wait(10000));
    answerYes = true;
    form.close();
    EXPECT_TRUE(form.isVisible()); // the second file is still under way
    ASSERT_TRUE(ended.size() == 1 || ended.wait(10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
    const QString log = LogText(form);
    EXPECT_EQ(log.count("Processed  "), reports.size());
    EXPECT_GT(log.indexOf("Closing "), log.lastIndexOf("Processed  "));
    const FileOutcome last = reports.last()[0].value<FileOutcome>();
    EXPECT_EQ(form.LastSaved(last.BandIndex()), last.imagePath);
}

TEST_F(StratoluxFormTest, TheLogTabKeepsEachEntryOnOneLineWithBothScrollBars) {
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    QPlainTextEdit& view = *Parts(form).log;
    for (int i = 0; i < 100; ++i) view.appendPlainText(QString("2025-01-21 20:02:07      line %1").arg(i));
    view.appendPlainText(
        "2025-01-21 20:02:07      " + received.repeated(4) +
        "OR_ABI-L1b-RadF-M6C13_G16_s20250212000204_e20250212009512_c20250212009563.nc failed: "
        "cannot write /data/img/2025/01/21/: No space left on device");
    Parts(form).pages->setCurrentWidget(&view);
    QCoreApplication::processEvents();

    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_TRUE(view.verticalScrollBar()->isVisible());
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.document()->lastBlock().layout()->lineCount(), 1);
}

TEST_F(StratoluxFormTest, AFirstRunOnlyStartedAndClosedLeavesNoLogFileAndTheNextOpensOnSetup) {
    {
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        form.close();
        EXPECT_TRUE(LogText(form).contains("Closing "));
    }
    EXPECT_FALSE(QFile::exists(logFile));
    TFormStratolux next({}, logFile);
    ShowAndStart(next);
    EXPECT_EQ(Parts(next).pages->currentWidget(), Parts(next).setup);
}

TEST_F(StratoluxFormTest, AnOptionChangedInTheWindowIsWrittenAndAnEditOfTheFileOnAnotherKeyStays) {
    StoreFlag("SaveAsPNG", false);
    StoreText("SavePath", images);
    {
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        QTest::mouseClick(Parts(form).setup->CheckBoxSaveAsPNG, Qt::LeftButton);
        // The operator edits the file meanwhile.
        QFile file(store.KeyFile(ProgramName()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray edited = file.readAll().replace(images.toUtf8(), "/srv/edited/images/");
        file.close();
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(edited);
    }
    EXPECT_EQ(TRegistryBoolean("SaveAsPNG", false).Value, true);
    EXPECT_EQ(TRegistryString("SavePath", {}).Value, "/srv/edited/images/");
}

TEST_F(StratoluxFormTest, FoldersWrittenWithoutTheirSeparatorAreTakenAsFolders) {
    StoreText("SourcePath", folder.filePath("received"));
    StoreText("SavePath", folder.filePath("images"));
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    EXPECT_EQ(Parts(form).setup->LabeledEditSourcePath->text(), received);
    EXPECT_EQ(Parts(form).setup->Options().savePath, images);
}

TEST_F(StratoluxFormTest, AStoredValueOutsideItsRangeIsLoggedOnceAndTheDefaultUsed) {
    const std::pair<QString, qint32> cases[] = {
        {"Satellite", 7}, {"Satellite", -1}, {"ReaderAnswerMinutes", 0}};
    for (const auto& [name, stored] : cases) {
        ASSERT_TRUE(WriteStoredDword(ProgramName(), name, stored));
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        EXPECT_TRUE(form.windowTitle().startsWith("GOES-16 "));
        EXPECT_EQ(form.Reader.answerWithin, std::chrono::minutes(10));
        EXPECT_EQ(LogText(form).count(QString(" Setting %1=%2 is outside ").arg(name).arg(stored)), 1)
            << qPrintable(LogText(form));
        form.close();
    }
}

// Values written by hand that the program cannot take: each is one warning naming the key and the value, and
// the default (or, for a list, the items it names) stands in.
TEST_F(StratoluxFormTest, AStoredValueItCannotTakeIsLoggedOnceNamingKeyAndValue) {
    const struct {
        const char* name;
        const char* stored;
        const char* said;
    } cases[] = {
        {"BandsSelected", "B13,B99",
         "Setting BandsSelected=B13,B99: B99 is not one of the items and is ignored"},
        {"BandsSelected", "b02 X1 B77",
         "Setting BandsSelected=b02 X1 B77: X1, B77 are not among the items and "
         "are ignored"},
        {"KeepImagesDays", "abc", "Setting KeepImagesDays=abc is not a whole number: the default 0 is used"},
        {"KeepNetCDFDays", "-5", "Setting KeepNetCDFDays=-5 is outside 0 to 36500: the default 0 is used"},
        {"Satellite", "two", "Setting Satellite=two is not a whole number: the default 0 is used"},
        {"SaveAsPNG", "yes", "Setting SaveAsPNG=yes is not 0 or 1: the default 0 is used"},
        {"WatchSourceFolder", "on", "Setting WatchSourceFolder=on is not 0 or 1: the default 0 is used"},
        {"IncompleteBelowPercent", "high",
         "Setting IncompleteBelowPercent=high is not a number: the default 99 is used"},
        {"ReaderAnswerMinutes", "5 min",
         "Setting ReaderAnswerMinutes=5 min is not a whole number: the default 10 "
         "is used"},
        {"WebPort", "eighty", "Setting WebPort=eighty is not a whole number: the default 0 is used"},
        {"FormLeft", "left", "Setting FormLeft=left is not a whole number: the default "},
        {"B07Quillmapjob", "7a",
         "Setting B07Quillmapjob=7a is not a whole number: no number is taken from it"},
    };
    for (const auto& entry : cases) {
        const TTemporaryStore own;
        ASSERT_TRUE(WriteStoredText(ProgramName(), entry.name, entry.stored));
        QFile::remove(logFile);
        TFormStratolux form({}, logFile);
        ShowAndStart(form);
        EXPECT_EQ(LogText(form).count(QString::fromUtf8(entry.said)), 1) << qPrintable(LogText(form));
        EXPECT_EQ(LogText(form).count(QString(" Setting ")), 1) << qPrintable(LogText(form));
    }
}

TEST_F(StratoluxFormTest, StartSaysSoWhenTheSourceFolderIsAlsoTheImageFolder) {
    StoreText("SourcePath", received);
    StoreText("SavePath", folder.filePath("received/../received"));
    TFormStratolux form({}, logFile);
    ShowAndStart(form);
    form.BitBtnStartStopClick();
    form.BitBtnStartStopClick();
    EXPECT_EQ(LogText(form).count("Source folder " + received + " is also the image folder"), 1);
}

TEST_F(StratoluxFormTest, ATerminationSignalStopsLogsAndSaves) {
    TFormStratolux form({}, logFile);
    ShutdownSignals shutdown;
    QObject::connect(&shutdown, &ShutdownSignals::ShutdownRequested, &form,
                     &TFormStratolux::WMQueryEndSession);
    ShowAndStart(form);
    form.BitBtnStartStopClick();
    QSignalSpy requested(&shutdown, &ShutdownSignals::ShutdownRequested);
    std::raise(SIGTERM);
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(Parts(form).startStop->text(), "Closing  ");
    const QString log = LogText(form);
    EXPECT_TRUE(log.contains("  Shutdown request received (SIGTERM)\n"));
    EXPECT_GT(log.indexOf("Closing "), log.indexOf("Shutdown request received"));
    EXPECT_TRUE(QFile::exists(logFile));
    form.close();
    EXPECT_EQ(questions, 0);
}

TEST_F(StratoluxFormTest, TheSessionEndingIsLoggedAsSuch) {
    TFormStratolux form({}, logFile);
    ShutdownSignals shutdown;
    QObject::connect(&shutdown, &ShutdownSignals::ShutdownRequested, &form,
                     &TFormStratolux::WMQueryEndSession);
    QSignalSpy agreed(&form, &TFormStratolux::EndSessionAgreed);
    ShowAndStart(form);
    shutdown.SessionEnding();
    ASSERT_EQ(agreed.size(), 1);
    EXPECT_TRUE(LogText(form).contains("  Shutdown request received (session ending)\n"));
}
