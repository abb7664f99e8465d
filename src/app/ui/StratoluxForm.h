// TFormStratolux: the main window. Its tabs show the thumbnails, the processing log and the options; its
// bottom row starts and stops processing; it drives the scan cycle and reports every outcome.
#pragma once

#include "BackgroundWrites.h"
#include "BandTables.h"
#include "CommandLine.h"
#include "FileOutcome.h"
#include "LogLine.h"
#include "ScanController.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class ProcessingLog;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class SetupTab;
class StationWeb;
class TFormSingleImage;
class TLED;
class TRegistryDecimal;
class TRegistryBoolean;
class TRegistryFormInfo;
class TRegistryInteger;
class TRegistryString;
class TVelLabeledEdit;
class ThumbnailPanel;

class TFormStratolux : public QWidget {
    Q_OBJECT
public:
    // Asks whether to exit while running; true means Yes. Replaceable so that tests need not answer a dialog.
    using ExitQuestion = std::function<bool(QWidget* parent)>;
    static void SetExitQuestionHook(ExitQuestion question);

    // arguments: the parsed command line; logFileName: where the processing log is kept.
    TFormStratolux(CommandLine arguments, const QString& logFileName, QWidget* parent = nullptr);
    ~TFormStratolux() override;

    bool Running() const { return Scan.Running(); }
    bool SingleFileMode() const { return SingleFile; }
    const QString& CaptionBase() const { return Caption; }
    QString LastSaved(int band) const;

    QTabWidget* PageControlMain;
    ThumbnailPanel* Thumbnails;
    QPlainTextEdit* MemoLogProcessing;
    SetupTab* Setup;
    QPushButton* BitBtnStartStop;
    TLED* LEDrx;
    QPushButton* ButtonSupport;
    QPushButton* ButtonClose;
    QStatusBar* StatusBar;
    TFormSingleImage* FormSingleImage;
    QTimer TimerOnStartup;
    ScanController Scan;
    // The pauses of file processing; tests shorten them, the program keeps the defaults.
    ProcessingWaits Waits;
    // The program that reads each file in a process of its own; tests name their build's.
    ReaderProcessSettings Reader;
    // How many days the program's own images and archived files are kept (0: for ever), from the settings.
    RetentionDays Keep;
    // An image less complete than this percentage gets a warning (0: never), from the settings.
    double IncompleteBelowPercent = 99.0;

public slots:
    void BitBtnStartStopClick();
    // The system asks the program to end (log-off, shutdown, a termination signal): stop, log what arrived
    // (cause: "SIGTERM", "session ending"), save, agree. A file under way is finished first;
    // EndSessionAgreed follows when all is saved.
    void WMQueryEndSession(const QString& cause);

signals:
    void EndSessionAgreed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void FormCreate();
    void FormShow();
    void TimerOnStartupTimer();
    void FormClose();
    void FinishShutdown();
    void RadioGroupSatelliteClick();
    void LabeledEditPathExit(TVelLabeledEdit* edit);
    void ButtonBrowsePathClick(TVelLabeledEdit* edit);
    void ButtonSupportClick();
    void ReportOutcome(const FileOutcome& outcome);
    // A line in the log and the status bar; fileName, when the line holds it, may be shortened on the bar.
    void Report(const LogLine& line, const QString& fileName = {});
    void ShowStatus(const QString& text, const QString& fileName = {});
    void ImageThumbClick(int band);
    void HandOffToQuillmap(int band);
    void PublishOptions();
    void WriteLog(const QString& text, TDateTime time, LogSeverity severity = LogSeverity::Info);
    QString ProgramTitle() const;

    const CommandLine Arguments;
    const QString LogFileName;
    // What the settings file's look before any setting is read found, for the log at start.
    const QStringList SettingsFileWarnings;
    QString Caption;
    QString SatelliteName;
    QString QuillmapPath;
    bool SingleFile = false;
    bool Shown = false;
    bool ShutdownAgreed = false;
    // What waits for the scan under way to end.
    enum class EndingAfterScan { Nothing, Close, Shutdown } Ending = EndingAfterScan::Nothing;
    std::unique_ptr<ProcessingLog> Log;
    std::unique_ptr<TRegistryFormInfo> FormInfo;
    std::array<std::unique_ptr<TRegistryString>, kBandCount> LastSavedSettings;
    // How long the reader may take for one file before it is stopped; kept in the settings for the operator.
    std::unique_ptr<TRegistryInteger> ReaderAnswerMinutes;
    // Settings without a control on the Setup tab, like the reader's bound.
    std::unique_ptr<TRegistryInteger> KeepImagesDays;
    std::unique_ptr<TRegistryInteger> KeepNetCDFDays;
    std::unique_ptr<TRegistryDecimal> IncompleteBelow;
    std::unique_ptr<TRegistryBoolean> WatchSourceFolder;
    // The page that shows the station in a browser, when WebPort asks for it.
    std::unique_ptr<StationWeb> Web;
    // Declared after the settings it stores, so that it has finished before they go.
    BackgroundWrites StoreWrites;
};
