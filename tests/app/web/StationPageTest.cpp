// The station's web page while the window processes files, as an operator's browser, a script and a
// monitoring system meet it: over real HTTP on the loopback interface, and in a real browser.
#include "AbiFileTruth.h"
#include "AbiSample.h"
#include "CommandLine.h"
#include "HttpFetch.h"
#include "ImageFileLoading.h"
#include "InstanceName.h"
#include "RegistryVariables.h"
#include "StratoluxForm.h"
#include "TemporaryStore.h"
#include "WindowParts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kB13 = 12;
const QString kDamagedName = "OR_ABI-L1b-RadF-M6C07_G16_s20250212002043_e20250212011351_c20250212011409.nc";

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

void Store(const QString& name, const QString& value) {
    TRegistryString setting(name, value);
    setting.Value = value;
    setting.Write();
}

cv::Mat GreyMat(const QImage& grey) {
    return cv::Mat(grey.height(), grey.width(), CV_8UC1, const_cast<uchar*>(grey.constBits()),
                   static_cast<std::size_t>(grey.bytesPerLine()));
}

class StationPageTest : public testing::Test {
protected:
    TTemporaryStore store;
    QTemporaryDir folder;
    QString received = folder.filePath("received") + "/";
    QString images = folder.filePath("images") + "/";
    QString logFile = folder.filePath("stratolux-process.log");
    const quint16 port = FreePort();
    std::unique_ptr<TFormStratolux> form;

    void SetUp() override {
        QDir().mkpath(received);
        Store("SourcePath", received);
        Store("NetCDFPath", images);
        Store("SavePath", images);
        Store("BandsSelected", "B07,B13");
        Store("WebPort", QString::number(port));
    }
    void TearDown() override {
        if (form) form->BitBtnStartStopClick(); // stopped, so that closing asks nothing
    }
    void Receive(int band, int size = 200) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = size;
        WriteAbiSample(sample, received);
    }
    void ReceiveDamaged() {
        QFile damaged(received + kDamagedName);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write("damaged") == 7);
    }
    // Starts the window and waits for its first scan to end.
    void StartAndScan() {
        form = std::make_unique<TFormStratolux>(ParseCommandLine({"-start"}), logFile);
        form->Waits = ProcessingWaits::None();
        form->Reader.program = READER_PROGRAM;
        QSignalSpy ended(&form->Scan(), &ScanController::ScanEnded);
        form->show();
        ASSERT_TRUE(ended.wait(30000));
    }
    void ScanAgain() {
        QSignalSpy ended(&form->Scan(), &ScanController::ScanEnded);
        form->Scan().ScanNow();
        ASSERT_TRUE(ended.wait(30000));
    }
    QByteArray Body(const QByteArray& target) {
        const std::optional<HttpAnswer> answer = Get(port, target);
        EXPECT_TRUE(answer && answer->status == 200) << target.constData();
        return answer ? answer->body : QByteArray();
    }
    QJsonObject Status() { return QJsonDocument::fromJson(Body("/status.json")).object(); }
    QJsonObject B13Image() { return Status()["bands"].toArray()[kB13].toObject()["image"].toObject(); }
};

} // namespace

TEST_F(StationPageTest, ThePageListsSixteenBandsAndShowsAProcessedImage) {
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::WriteOnly) &&
                log.write("2025-01-21 19:58:00      An earlier run\r\n") > 0);
    log.close();
    Receive(13, 2400);
    ReceiveDamaged();
    StartAndScan();
    const QString page = QString::fromUtf8(Body("/"));
    EXPECT_EQ(page.count("<figure>"), kBandCount);
    for (int band = 0; band < kBandCount; ++band) EXPECT_TRUE(page.contains(BandLabelCaption(band)));
    EXPECT_TRUE(page.contains("<img src=\"/thumbnail/B13.jpg\""));
    EXPECT_TRUE(page.contains("An earlier run"));
    EXPECT_TRUE(page.contains(QRegularExpression("<span class=failed>[^<]*" + kDamagedName + " failed: ")));
    EXPECT_TRUE(page.contains("<meta http-equiv=refresh content=30>"));

    const QImage shown = QImage::fromData(Body("/thumbnail/B13.jpg"), "JPG");
    const std::optional<QImage> thumbnail = LoadReducedImage(form->LastSaved(kB13), {120, 120});
    ASSERT_TRUE(thumbnail);
    ASSERT_EQ(shown.size(), thumbnail->size());
    cv::Mat difference;
    cv::absdiff(GreyMat(shown.convertToFormat(QImage::Format_Grayscale8)), GreyMat(*thumbnail), difference);
    EXPECT_LT(cv::mean(difference)[0], 3.0);

    QFile saved(form->LastSaved(kB13));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(Body("/image/B13"), saved.readAll()) << "the full-size image, asked for";
    ASSERT_TRUE(QTest::qWaitFor([&] { return B13Image()["viewMade"].toBool(); }, 20000));
    EXPECT_EQ(QImage::fromData(Body("/view/B13.jpg"), "JPG").size(), QSize(2048, 2048));
    EXPECT_TRUE(
        QString::fromUtf8(Body("/")).contains("<a href=\"/view/B13.jpg\"><img src=\"/thumbnail/B13.jpg\""));
}

TEST_F(StationPageTest, StatusCountsMoveAfterAProcessedAndAFailedFile) {
    StartAndScan();
    QJsonObject status = Status();
    EXPECT_EQ(status["state"], "running");
    EXPECT_EQ(status["health"], "ok");
    EXPECT_EQ(status["problems"], QJsonArray());
    EXPECT_EQ(status["counts"].toObject(),
              (QJsonObject{{"processed", 0}, {"failed", 0}, {"skipped", 0}, {"incomplete", 0}}));
    EXPECT_TRUE(status["lastScan"].toObject()["end"].isString());
    EXPECT_TRUE(status["nextScan"].isString());

    Receive(13);
    ReceiveDamaged();
    ScanAgain();
    status = Status();
    EXPECT_EQ(status["counts"].toObject(),
              (QJsonObject{{"processed", 1}, {"failed", 1}, {"skipped", 0}, {"incomplete", 0}}));
    const QJsonArray staying = status["stayingFiles"].toArray();
    ASSERT_EQ(staying.size(), 1);
    EXPECT_EQ(staying[0].toObject()["name"], kDamagedName);
    EXPECT_TRUE(staying[0].toObject()["reason"].toString().startsWith("failed: "));
    const QFileInfo image(form->LastSaved(kB13));
    EXPECT_EQ(B13Image()["name"], image.fileName());
    EXPECT_EQ(B13Image()["bytes"].toInteger(), image.size());
    EXPECT_EQ(B13Image()["time"], "2025-01-21T20:00:00Z");
    EXPECT_EQ(B13Image()["scanStart"], "2025-01-21T20:02:00Z") << "as the name 202501212002-g16-b13 says";
    EXPECT_EQ(status["health"], "warning");
    EXPECT_EQ(status["problems"], QJsonArray{"1 file stays in the source folder."});
    EXPECT_TRUE(
        QString::fromUtf8(Body("/")).contains("<div class=\"verdict warning\" id=health><b>Warning</b>"));
    EXPECT_TRUE(status["folders"].toArray()[2].toObject()["freeBytes"].toInteger() > 0);
}

TEST_F(StationPageTest, AFileThatStaysCountsOnceAndKeepsItsSinceAcrossARestart) {
    ReceiveDamaged();
    StartAndScan();
    ScanAgain();
    const auto stayingSince = [&] {
        const QJsonArray staying = Status()["stayingFiles"].toArray();
        EXPECT_EQ(staying.size(), 1);
        return staying.isEmpty() ? QString() : staying[0].toObject()["since"].toString();
    };
    const auto metric = [&](const QByteArray& name) {
        for (const QByteArray& line : Body("/metrics").split('\n'))
            if (line.startsWith(name + ' ')) return line.mid(name.size() + 1);
        return QByteArray();
    };
    EXPECT_EQ(Status()["counts"].toObject()["failed"], 1) << "two scans over one staying file";
    EXPECT_EQ(metric("stratolux_files_failed_total"), "1");
    EXPECT_EQ(metric("stratolux_staying_files"), "1");
    const QString since = stayingSince();
    ASSERT_FALSE(since.isEmpty());

    // The program ends and starts again, a second or more later.
    form->BitBtnStartStopClick();
    form.reset();
    const QDateTime first = QDateTime::fromString(since, Qt::ISODate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QDateTime::currentDateTimeUtc() > first.addSecs(1); }));
    StartAndScan();
    EXPECT_EQ(stayingSince(), since);
    EXPECT_EQ(Status()["counts"].toObject()["failed"], 1);
}

TEST_F(StationPageTest, AnIncompleteImageShowsHowWholeItIsInTheDataTheMetricsAndThePage) {
    Receive(7);
    AbiSampleOptions sample;
    sample.size = 400;
    sample.missingRowsPercent = 20;
    sample.uncorrectableErrorsPercent = 0.4;
    sample.grb = true;
    const FlagTally flags = CountFlags(WriteAbiSample(sample, received));
    const double completeness = flags.CompletenessPercent();
    ASSERT_NEAR(completeness, 80.0, 0.5);
    StartAndScan();

    const QJsonObject image = B13Image();
    EXPECT_EQ(image["completeness"].toDouble(), completeness);
    EXPECT_TRUE(image["incomplete"].toBool());
    EXPECT_TRUE(image["countsContradiction"].isNull());
    EXPECT_EQ(image["pixelCounts"].toObject()["valid"].toInteger(), flags.valid);
    EXPECT_EQ(image["pixelCounts"].toObject()["missing"].toInteger(), flags.missing);
    EXPECT_EQ(image["uncorrectableErrors"].toObject(), (QJsonObject{{"source", "GRB"}, {"percent", 0.4}}));
    EXPECT_EQ(image["qualityPercent"].toObject()["noValue"].toDouble(),
              std::round(10000.0 * double(flags.missing) / double(flags.valid + flags.missing)) / 100);
    const QJsonObject b07 = Status()["bands"].toArray()[6].toObject()["image"].toObject();
    EXPECT_EQ(b07["completeness"].toDouble(), 100.0);
    EXPECT_FALSE(b07["incomplete"].toBool());
    EXPECT_EQ(Status()["counts"].toObject()["incomplete"].toInteger(), 1);

    const QStringList metrics = QString::fromUtf8(Body("/metrics")).split('\n');
    const auto metric = [&](const QString& name) {
        for (const QString& line : metrics)
            if (line.startsWith(name + " ")) return line.mid(name.size() + 1).toDouble();
        return -1.0;
    };
    EXPECT_EQ(metric("stratolux_image_completeness_percent{band=\"B13\"}"), completeness);
    EXPECT_EQ(metric("stratolux_image_completeness_percent{band=\"B07\"}"), 100.0);
    EXPECT_EQ(metric("stratolux_images_incomplete_total"), 1.0);

    const QString page = QString::fromUtf8(Body("/"));
    const QString shown = QString::number(completeness, 'f', 1) + " % complete</div>";
    EXPECT_TRUE(page.contains(
        QRegularExpression("<div class=\"whole incomplete\" title=\"[^\"]*GRB errors 0\\.4 %\\)\">" +
                           QRegularExpression::escape(shown))))
        << qPrintable(page);
    EXPECT_TRUE(
        page.contains(QRegularExpression("<div class=\"whole\" title=\"[^\"]*\">100.0 % complete</div>")));
    EXPECT_TRUE(page.contains(": 2 processed (1 incomplete), 0 failed, 0 skipped</span>"));
}

TEST_F(StationPageTest, MetricsParseAsPrometheusText) {
    const QString python = "/usr/bin/python3";
    if (QProcess::execute(python, {"-c", "import prometheus_client"}) != 0)
        GTEST_SKIP() << "Debian's python3-prometheus-client is not installed (scripts/setup installs it)";
    Receive(13);
    StartAndScan();
    // The reference parser of the Prometheus project's own client; one line for each sample.
    QProcess parser;
    parser.start(python,
                 {"-c", "import sys\n"
                        "from prometheus_client.parser import text_string_to_metric_families\n"
                        "for family in text_string_to_metric_families(sys.stdin.read()):\n"
                        "    for sample in family.samples:\n"
                        "        labels = ','.join(k + '=' + v for k, v in sorted(sample.labels.items()))\n"
                        "        print(family.type, sample.name, labels, int(sample.value))\n"});
    const std::optional<HttpAnswer> metrics = Get(port, "/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->headers.value("content-type"), "text/plain; version=0.0.4; charset=utf-8");
    parser.write(metrics->body);
    parser.closeWriteChannel();
    ASSERT_TRUE(parser.waitForFinished(30000));
    ASSERT_EQ(parser.exitCode(), 0) << parser.readAllStandardError().constData();
    const QStringList samples = QString::fromUtf8(parser.readAllStandardOutput()).split('\n');
    EXPECT_TRUE(samples.contains("counter stratolux_files_processed_total  1"));
    EXPECT_TRUE(samples.contains("counter stratolux_files_failed_total  0"));
    EXPECT_TRUE(samples.contains("gauge stratolux_running  1"));
    EXPECT_TRUE(samples.contains("gauge stratolux_image_completeness_percent band=B13 100"));
    EXPECT_TRUE(samples.contains("counter stratolux_images_incomplete_total  0"));
    EXPECT_TRUE(samples.contains("gauge stratolux_band_image_bytes band=B13 " +
                                 QString::number(QFileInfo(form->LastSaved(kB13)).size())));
    EXPECT_TRUE(samples.contains("gauge stratolux_info instance=" + ProgramName() +
                                 ",version=" STRATOLUX_VERSION " 1"));
    for (const QString& sample : samples)
        EXPECT_TRUE(sample.isEmpty() || sample.section(' ', 1, 1).startsWith("stratolux_"))
            << qPrintable(sample);
}

TEST_F(StationPageTest, ABusyPortIsOneLogLineAndTheProgramGoesOn) {
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, port));
    Receive(13);
    StartAndScan();
    const QString log = WindowParts(*form).log->toPlainText();
    EXPECT_EQ(log.count("Web page"), 1);
    EXPECT_TRUE(log.contains("Web page not opened: cannot listen on 127.0.0.1:" + QString::number(port) +
                             ": The bound address is already in use\n"))
        << qPrintable(log);
    EXPECT_FALSE(form->LastSaved(kB13).isEmpty());
}

TEST_F(StationPageTest, ABrowserShowsTheThumbnailsAndTheLog) {
    const QString browser = QStandardPaths::findExecutable("chromium");
    if (browser.isEmpty())
        GTEST_SKIP() << "no browser installed: Debian's chromium (scripts/setup installs it)";
    Receive(13);
    ReceiveDamaged();
    StartAndScan();
    const QString screenshot = folder.filePath("page.png");
    QProcess chromium;
    // As root it runs only without its sandbox. Its console, where it reports what the page's content
    // security policy blocked, goes to its standard error.
    chromium.start(browser, {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                             "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--no-first-run", "--enable-logging=stderr", "--v=0",
                             "--user-data-dir=" + folder.filePath("chromium"), "--screenshot=" + screenshot,
                             "--window-size=1000,1400", "http://127.0.0.1:" + QString::number(port) + "/"});
    ASSERT_TRUE(chromium.waitForFinished(120000));
    const QByteArray console = chromium.readAllStandardError();
    const QImage page(screenshot);
    ASSERT_FALSE(page.isNull()) << console.constData();
    EXPECT_FALSE(console.contains("Content Security Policy")) << console.constData();

    // The B13 thumbnail, drawn as it is.
    const std::optional<QImage> thumbnail = LoadReducedImage(form->LastSaved(kB13), {120, 120});
    ASSERT_TRUE(thumbnail);
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    cv::Mat match;
    cv::matchTemplate(GreyMat(grey), GreyMat(*thumbnail), match, cv::TM_CCOEFF_NORMED);
    double best = 0;
    cv::minMaxLoc(match, nullptr, &best);
    EXPECT_GT(best, 0.9) << "the thumbnail is not on the screenshot " << qPrintable(screenshot);

    // The log, its failed line marked in red.
    int marked = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y) == QColor(0xff, 0xd8, 0xd8)) ++marked;
    EXPECT_GT(marked, 2000) << "no marked log line on the screenshot " << qPrintable(screenshot);
}
