// The main window: layout, start-up, Start/Stop, closing and shutdown, and the reports of the scan cycle.
#include "StratoluxForm.h"

#include "Branding.h"
#include "LED.h"
#include "LampPictures.h"
#include "ProcessingLog.h"
#include "ProgramSettings.h"
#include "QuillmapHandOff.h"
#include "RegistryFormInfo.h"
#include "RegistryStore.h"
#include "RegistryVariables.h"
#include "ScanReports.h"
#include "SelfPersisting.h"
#include "SetupTab.h"
#include "SingleImageForm.h"
#include "StationWeb.h"
#include "ThumbnailPanel.h"
#include "Utils.h"
#include "VelCheckBox.h"
#include "VelCheckListBox.h"
#include "VelLabeledEdit.h"
#include "VelRadioGroup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>

namespace {

constexpr int kClientWidth = 684, kClientHeight = 690;
constexpr int kPageHeight = 629, kStatusBarHeight = 24;
constexpr int kButtonTop = kPageHeight + 6;
constexpr int kStartupDelayMs = 250;
// Room that the status bar's frame takes from its text, and the least room a shortened file name keeps.
constexpr int kStatusBarMargin = 16, kShortestNameWidth = 60;

const QString kStartCaption = QStringLiteral("Start  ");
const QString kStopCaption = QStringLiteral("Stop   ");
const QString kClosingCaption = QStringLiteral("Closing  ");
// The lamp beside Start: grey while idle, yellow while a scan is under way.
const QColor kIdleLamp(128, 128, 128);
const QColor kScanningLamp(255, 255, 0);

bool AskExitQuestion(QWidget* parent) {
    return QMessageBox::question(parent, "Stratolux - Confirm program exit",
                                 "You are still running, are you sure you wish to exit?",
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

TFormStratolux::ExitQuestion& ExitQuestionHook() {
    static TFormStratolux::ExitQuestion question = AskExitQuestion;
    return question;
}

// Both name one folder, by their text or by where they lead.
bool SameFolder(const QString& first, const QString& second) {
    if (first.isEmpty() || second.isEmpty()) return false;
    const QString canonical = QFileInfo(first).canonicalFilePath();
    return QDir::cleanPath(first) == QDir::cleanPath(second) ||
           (!canonical.isEmpty() && canonical == QFileInfo(second).canonicalFilePath());
}

} // namespace

void TFormStratolux::SetExitQuestionHook(ExitQuestion question) {
    ExitQuestionHook() = question ? std::move(question) : AskExitQuestion;
}

TFormStratolux::TFormStratolux(CommandLine arguments, const QString& logFileName, QWidget* parent)
    : QWidget(parent), Arguments(std::move(arguments)), LogFileName(logFileName),
      SettingsFileWarnings(CheckStoredKey(ProgramName())) {
    BuildWindow();
    // Every option shows its stored value before the creation steps read any of them.
    RestoreSelfPersistingControls(*this);
    FormCreate();
}

TFormStratolux::~TFormStratolux() {
    // The widgets go after the settings; a path edit that loses the focus meanwhile must not reach handlers
    // that read them.
    Setup->disconnect(this);
}

void TFormStratolux::BuildWindow() {
    setObjectName("FormStratolux");
    setWindowTitle("Stratolux");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    PageControlMain = new QTabWidget(this);
    PageControlMain->setObjectName("PageControlMain");
    PageControlMain->setGeometry(0, 0, kClientWidth, kPageHeight);
    Thumbnails = new ThumbnailPanel;
    Thumbnails->setObjectName("TabSheetImages");
    PageControlMain->addTab(Thumbnails, "Images");
    MemoLogProcessing = new QPlainTextEdit;
    MemoLogProcessing->setObjectName("MemoLogProcessing");
    MemoLogProcessing->setReadOnly(true);
    // One entry a line, as in the file; a long line scrolls sideways.
    MemoLogProcessing->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoLogProcessing->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLogProcessing->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLogProcessing->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    PageControlMain->addTab(MemoLogProcessing, "Log");
    Setup = new SetupTab;
    PageControlMain->addTab(Setup, "Setup");

    BitBtnStartStop = new QPushButton(kStartCaption, this);
    BitBtnStartStop->setObjectName("BitBtnStartStop");
    BitBtnStartStop->setGeometry(8, kButtonTop, 73, 25);
    BitBtnStartStop->setLayoutDirection(Qt::RightToLeft); // the glyph right of the caption
    LEDrx = new TLED(this);
    LEDrx->setObjectName("LEDrx");
    LEDrx->setGeometry(95, kButtonTop + 4, 18, 17);
    LEDrx->SetColour(kIdleLamp);
    ButtonSupport = new QPushButton("Support", this);
    ButtonSupport->setObjectName("ButtonSupport");
    ButtonSupport->setToolTip("Visit support group");
    ButtonSupport->setGeometry(515, kButtonTop, 75, 25);
    ButtonClose = new QPushButton("Close", this);
    ButtonClose->setObjectName("ButtonClose");
    ButtonClose->setGeometry(604, kButtonTop, 75, 25);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);

    FormSingleImage = new TFormSingleImage(this);
    FormSingleImage->setObjectName("FormSingleImage");
    TimerOnStartup.setSingleShot(true);
    TimerOnStartup.setInterval(kStartupDelayMs);

    connect(BitBtnStartStop, &QPushButton::clicked, this, &TFormStratolux::BitBtnStartStopClick);
    connect(ButtonClose, &QPushButton::clicked, this, [this] {
        FormInfo->Save();
        close();
    });
    connect(ButtonSupport, &QPushButton::clicked, this, &TFormStratolux::ButtonSupportClick);
    connect(&TimerOnStartup, &QTimer::timeout, this, &TFormStratolux::TimerOnStartupTimer);
    connect(PageControlMain, &QTabWidget::currentChanged, this, [this] {
        if (PageControlMain->currentWidget() == MemoLogProcessing && Log) Log->ScrollToEnd();
    });
    connect(Setup->RadioGroupSatellite, &TVelRadioGroup::Click, this,
            &TFormStratolux::RadioGroupSatelliteClick);
    connect(Setup, &SetupTab::PathEditLeft, this, &TFormStratolux::LabeledEditPathExit);
    connect(Setup, &SetupTab::BrowseRequested, this, &TFormStratolux::ButtonBrowsePathClick);
    connect(Setup, &SetupTab::OptionsChanged, this, &TFormStratolux::PublishOptions);

    connect(Thumbnails, &ThumbnailPanel::ThumbnailClicked, this, &TFormStratolux::ImageThumbClick);
    connect(Thumbnails, &ThumbnailPanel::QuillmapProcessRequested, this, &TFormStratolux::HandOffToQuillmap);
    connect(FormSingleImage, &TFormSingleImage::QuillmapProcessRequested, this,
            &TFormStratolux::HandOffToQuillmap);

    connect(&Scans, &ScanController::ScanStarted, LEDrx, [this] { LEDrx->SetColour(kScanningLamp); });
    connect(&Scans, &ScanController::ScanEnded, LEDrx, [this] { LEDrx->SetColour(kIdleLamp); });
    connect(&Scans, &ScanController::ThumbnailRestored, Thumbnails, &ThumbnailPanel::ShowRestoredImage);
    connect(&Scans, &ScanController::ClearThumbnailsRequested, Thumbnails, &ThumbnailPanel::ClearThumbnails);
    connect(&Scans, &ScanController::FileReported, this, &TFormStratolux::ReportOutcome);
    connect(&Scans, &ScanController::FoldersReported, this, [this](const QList<LogLine>& lines) {
        for (const LogLine& line : lines) Report(line);
    });
    connect(&Scans, &ScanController::ScanEnded, this, [this](bool singleFile) {
        // A close or a shutdown waited for the file under way, whose outcome has now been reported.
        if (Ending == EndingAfterScan::Close) {
            Ending = EndingAfterScan::Nothing;
            close();
            return;
        }
        if (Ending == EndingAfterScan::Shutdown) {
            FinishShutdown();
            return;
        }
        // The one named file has been processed; a Stop pressed meanwhile already ended the run.
        if (singleFile && Scans.Running()) BitBtnStartStopClick();
    });
}

QString TFormStratolux::ProgramTitle() const {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName() + " V" + STRATOLUX_VERSION;
}

void TFormStratolux::FormCreate() {
    // An instance other than the executable's own is named, so that side-by-side windows tell themselves
    // apart.
    const QString instance = ProgramName() == DefaultInstanceName() ? QString() : " [" + ProgramName() + "]";
    Caption = windowTitle() + instance + "  V" + STRATOLUX_VERSION + "  Nimbrel, Corrandale";
    FormInfo = std::make_unique<TRegistryFormInfo>(*this);
    BitBtnStartStop->setIcon(GlyphLedOff());
    QuillmapPath = ReadAppPath("Quillmap");
    Thumbnails->SetQuillmapPath(QuillmapPath);

    if (QFileInfo(ReadAppPath("Feedkeeper")).isFile()) {
        if (Setup->LabeledEditSourcePath->text().isEmpty())
            Setup->LabeledEditSourcePath->setText(ReadProgramSetting("Feedkeeper", "ReceivedFilesPath") +
                                                  "HVS-2/E2H-TPG-1/");
        if (Setup->LabeledEditSavePath->text().isEmpty())
            Setup->LabeledEditSavePath->setText(ReadProgramSetting("Feedkeeper", "ImagesPath") + "FSD/");
    }
    if (Setup->CheckListBoxBandsSelected->CheckedList().isEmpty())
        Setup->CheckListBoxBandsSelected->SetCheckedList(SetupTab::kDefaultBandList);
    RegisterAppPath();

    if (!QFileInfo::exists(LogFileName)) PageControlMain->setCurrentWidget(Setup);
    MemoLogProcessing->clear();
    // Each line goes to the journal, and to the web page once it is open.
    const auto echo = [this](const QString& line, LogSeverity severity) {
        ProcessingLog::WriteStandardOutputLine(line, severity);
        if (Web) Web->AddLogLine(line);
    };
    Log = std::make_unique<ProcessingLog>(*MemoLogProcessing, LogFileName, UtcNow, echo);
    Settings = std::make_unique<ProgramSettings>();
    Reader.answerWithin = Settings->ReaderAnswerWithin();
    Web = std::make_unique<StationWeb>(Scans, LogFileName, Settings->Web());
}

void TFormStratolux::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Shown) return;
    Shown = true;
    FormShow();
}

void TFormStratolux::FormShow() {
    RadioGroupSatelliteClick();
    FormInfo->Restore();
    if (x() < 0 || y() < 0) move(std::max(x(), 0), std::max(y(), 0));
    if (Setup->LabeledEditNetCDFPath->text().isEmpty())
        Setup->LabeledEditNetCDFPath->setText(Setup->LabeledEditSavePath->text());
    if (QFileInfo::exists(LogFileName)) {
        MemoLogProcessing->setUpdatesEnabled(false);
        Log->Load();
        MemoLogProcessing->setUpdatesEnabled(true);
    }
    Log->WriteSessionEntry("Starting " + ProgramTitle(), UtcNow());
    QStringList readWarnings = SettingsFileWarnings;
    readWarnings << SelfPersistingReadWarnings(*this);
    readWarnings << FormInfo->ReadWarnings() << Settings->ReadWarnings();
    for (const QString& warning : readWarnings)
        if (!warning.isEmpty()) WriteLog(warning, 0, LogSeverity::Warning);
    PublishOptions();
    if (const std::optional<QString> line = Web->Open(windowTitle())) WriteLog(*line, 0);
    connect(this, &QWidget::windowTitleChanged, Web.get(), &StationWeb::SetCaption);
    TimerOnStartup.start();
}

void TFormStratolux::TimerOnStartupTimer() {
    TimerOnStartup.stop();
    if (!Setup->CheckBoxClearImages->isChecked()) {
        QStringList lastSaved;
        for (int band = 0; band < kBandCount; ++band) lastSaved << LastSaved(band);
        Scans.RestoreThumbnails(lastSaved);
    }
    SingleFile = false;
    if (Arguments.start) BitBtnStartStopClick();
    if (Arguments.log) PageControlMain->setCurrentWidget(MemoLogProcessing);
    if (Arguments.images) PageControlMain->setCurrentWidget(Thumbnails);
    if (const std::optional<QString> problem = NamedFileProblem(Arguments)) {
        WriteLog(*problem, 0, LogSeverity::Warning);
        SayOnStandardError(*problem);
    }
    if (!Arguments.firstArgument.isEmpty() && QFileInfo(Arguments.firstArgument).isFile()) {
        SingleFile = true;
        PublishOptions();
        BitBtnStartStopClick();
    }
    Log->ScrollToEnd();
}

void TFormStratolux::BitBtnStartStopClick() {
    FormInfo->Save();
    if (!Scans.Running()) {
        const QString source = Setup->LabeledEditSourcePath->text();
        if (SameFolder(source, Setup->LabeledEditSavePath->text()))
            Report({"Source folder " + source + " is also the image folder", LogSeverity::Warning});
        PublishOptions();
        Scans.SetRunning(true);
        BitBtnStartStop->setText(kStopCaption);
        BitBtnStartStop->setIcon(GlyphLedOn());
    } else {
        Scans.SetRunning(false);
        BitBtnStartStop->setText(kStartCaption);
        BitBtnStartStop->setIcon(GlyphLedOff());
    }
}

void TFormStratolux::closeEvent(QCloseEvent* event) {
    if (ShutdownAgreed) {
        event->accept();
        return;
    }
    Scans.PauseCycle();
    const bool allowed = !Scans.Running() || ExitQuestionHook()(this);
    if (!allowed) {
        Scans.ResumeCycle();
        event->ignore();
        return;
    }
    Scans.SetRunning(false);
    // The file under way is finished and reported (log line, LastSaved) before the window goes.
    if (Scans.ScanInProgress()) {
        Ending = EndingAfterScan::Close;
        BitBtnStartStop->setText(kClosingCaption);
        event->ignore();
        return;
    }
    FormClose();
    FormSingleImage->close();
    event->accept();
}

void TFormStratolux::FormClose() {
    Log->WriteSessionEntry("Closing " + ProgramTitle(), UtcNow());
    // Every line is in the file already; the rewrite bounds it, and its failure has been said on stderr.
    if (Log->LineCount() > 2) static_cast<void>(Log->Save());
}

void TFormStratolux::WMQueryEndSession(const QString& cause) {
    if (ShutdownAgreed || Ending == EndingAfterScan::Shutdown) return;
    TimerOnStartup.stop();
    Scans.SetRunning(false);
    BitBtnStartStop->setText(kClosingCaption);
    BitBtnStartStop->setIcon(GlyphLedOff());
    WriteLog("Shutdown request received (" + cause + ")", UtcNow());
    if (Scans.ScanInProgress())
        Ending = EndingAfterScan::Shutdown;
    else
        FinishShutdown();
}

void TFormStratolux::FinishShutdown() {
    Ending = EndingAfterScan::Nothing;
    FormClose();
    ShutdownAgreed = true;
    emit EndSessionAgreed();
}

void TFormStratolux::RadioGroupSatelliteClick() {
    SatelliteName = Setup->RadioGroupSatellite->Items().value(Setup->RadioGroupSatellite->ItemIndex());
    setWindowTitle(SatelliteName + " " + Caption);
}

void TFormStratolux::LabeledEditPathExit(TVelLabeledEdit* edit) {
    // An empty folder stays empty: it means "not set", never the root of the file system.
    edit->setText(WithTrailingSeparator(edit->text()));
    edit->Flush();
    PublishOptions();
}

void TFormStratolux::ButtonBrowsePathClick(TVelLabeledEdit* edit) {
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), edit->text());
    if (folder.isEmpty()) return;
    edit->setText(WithTrailingSeparator(QDir::toNativeSeparators(folder)));
    edit->Flush();
    PublishOptions();
}

void TFormStratolux::ButtonSupportClick() {
    QDesktopServices::openUrl(QUrl(kSupportPageAddress));
}

void TFormStratolux::PublishOptions() {
    // Controls restored before the settings are read announce their values; the options follow once read.
    if (!Settings) return;
    ProcessingOptions options = Setup->Options();
    options.singleFileMode = SingleFile;
    options.singleFilePath = Arguments.firstArgument;
    options.waits = Waits;
    options.reader = Reader;
    options.keep = Settings->Keep();
    options.incompleteBelowPercent = Settings->IncompleteBelowPercent();
    options.watchSourceFolder = Settings->WatchSourceFolder();
    for (int band = 0; band < kBandCount; ++band) options.lastSaved[band] = LastSaved(band);
    Scans.PublishOptions(options);
}

void TFormStratolux::WriteLog(const QString& text, TDateTime time, LogSeverity severity) {
    Log->WriteLog(text, time, severity);
}

QString TFormStratolux::LastSaved(int band) const {
    return Settings->LastSaved(band);
}

void TFormStratolux::ReportOutcome(const FileOutcome& outcome) {
    const QString fileName = QFileInfo(outcome.sourcePath).fileName();
    if (outcome.Processed()) {
        setWindowTitle(ProcessedCaption(SatelliteName, Caption, outcome));
        Settings->SetLastSaved(outcome.BandIndex(), outcome.imagePath);
        WriteLog(ProcessedLogLine(outcome), 0);
        ShowStatus(ProcessedStatusText(outcome));
        Thumbnails->ShowSavedImage(outcome.BandIndex(), outcome.thumbnail, ThumbnailHint(outcome));
        if (const std::optional<LogLine> line = CompletenessLine(outcome)) Report(*line, fileName);
    } else if (const std::optional<QString> line = FailureLine(outcome)) {
        Report({*line, LogSeverity::Failure}, fileName);
    }
    if (const std::optional<QString> line = NotArchivedLine(outcome))
        Report({*line, LogSeverity::Warning}, fileName);
    if (const std::optional<QString> line = SourceNotDeletedLine(outcome))
        Report({*line, LogSeverity::Warning}, fileName);
    for (const QString& line : NotRemovedLines(outcome)) Report({line, LogSeverity::Warning}, fileName);
}

void TFormStratolux::Report(const LogLine& line, const QString& fileName) {
    WriteLog(line.text, 0, line.severity);
    ShowStatus(line.text, fileName);
}

void TFormStratolux::ShowStatus(const QString& text, const QString& fileName) {
    // A long file name gives way in its middle, so the reason at the end of the line stays readable.
    const QFontMetrics metrics(StatusBar->font());
    const int room = StatusBar->width() - kStatusBarMargin;
    const int overflow = metrics.horizontalAdvance(text) - room;
    if (overflow <= 0 || fileName.isEmpty() || !text.contains(fileName)) {
        StatusBar->showMessage(text);
        return;
    }
    const int nameRoom = std::max(metrics.horizontalAdvance(fileName) - overflow, kShortestNameWidth);
    StatusBar->showMessage(
        QString(text).replace(fileName, metrics.elidedText(fileName, Qt::ElideMiddle, nameRoom)));
}

void TFormStratolux::ImageThumbClick(int band) {
    const QString path = LastSaved(band);
    if (!QFileInfo(path).isFile()) return;
    FormSingleImage->ShowImage(band, path, Thumbnails->Hint(band));
}

void TFormStratolux::HandOffToQuillmap(int band) {
    ::HandOffToQuillmap(this, QuillmapPath, band, LastSaved(band), Setup->QuillmapJobText(band));
}
