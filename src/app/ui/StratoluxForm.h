// TFormStratolux: the main window. Its tabs show the thumbnails, the processing log and the options; its
// bottom row starts and stops processing; it drives the scan cycle and reports every outcome.
#pragma once

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
class ProgramSettings;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class SetupTab;
class StationWeb;
class TFormSingleImage;
class TLED;
class TRegistryFormInfo;
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

    bool Running() const { return Scans.Running(); }
    bool SingleFileMode() const { return SingleFile; }
    // True until the start-up that follows the first show has run.
    bool StartingUp() const { return TimerOnStartup.isActive(); }
    QString LastSaved(int band) const;
    // The scan cycle the window drives, for those who follow it.
    ScanController& Scan() { return Scans; }

    // The pauses of file processing; tests shorten them, the program keeps the defaults.
    ProcessingWaits Waits;
    // The program that reads each file in a process of its own, and its bound from the settings; tests name
    // their build's reader and may shorten the bound.
    ReaderProcessSettings Reader;

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
    ScanController Scans;

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
    // Read once the controls have shown their stored values.
    std::unique_ptr<ProgramSettings> Settings;
    // The page that shows the station in a browser, when WebPort asks for it.
    std::unique_ptr<StationWeb> Web;
};
