// Web page benchmark: the real window (offscreen, with settings of its own) processes a whole sixteen-band
// full-disk scan, band 2 included, in turns without the web page and with it open while a client loads the
// page with all its thumbnails every two seconds. It reports how long the scan took each way (the median of
// the runs, as the machine may be shared), how long the page took to load during and after the scan, how
// long after each image was saved its reduced view was ready, and what making one reduced view costs, in time
// and processor time, for each size of image.
#include "BenchMain.h"
#include "CommandLine.h"
#include "HttpFetch.h"
#include "PlaceReceivedFile.h"
#include "ReducedView.h"
#include "RegistryVariables.h"
#include "SixteenBandScan.h"
#include "StratoluxForm.h"
#include "TemporaryStore.h"
#include "Timing.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::minutes kGiveUpAfter(40);
constexpr auto kLoadInterval = std::chrono::seconds(2);
constexpr auto kViewPollInterval = std::chrono::milliseconds(250);

double ThreadProcessorSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + time.tv_nsec / 1e9;
}

void Store(const QString& name, const QString& value) {
    TRegistryString setting(name, value);
    setting.Value = value;
    setting.Write();
}

// A browser's load of the page: the page, then each picture it shows, one after the other.
struct PageLoad {
    double ms = 0;
    qint64 bytes = 0;
    bool duringScan = false;
    bool complete = false;
};

PageLoad LoadPage(quint16 port) {
    PageLoad load;
    const auto start = Clock::now();
    const std::optional<HttpAnswer> page = Get(port, "/");
    load.complete = page && page->status == 200;
    if (!load.complete) return load;
    load.bytes = page->body.size();
    static const QRegularExpression picture("src=\"(/thumbnail/B\\d\\d\\.jpg)\"");
    for (auto match = picture.globalMatch(QString::fromUtf8(page->body)); match.hasNext();) {
        const std::optional<HttpAnswer> image = Get(port, match.next().captured(1).toUtf8());
        load.complete = load.complete && image && image->status == 200;
        if (image) load.bytes += image->body.size();
    }
    load.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return load;
}

// Loads the page every kLoadInterval and notes when each band's reduced view first shows in the status.
class PageClient {
public:
    explicit PageClient(quint16 port) : port_(port), thread_([this] { Run(); }) {}
    ~PageClient() {
        stop_ = true;
        thread_.join();
    }
    void ScanEnded() { scanning_ = false; }
    std::vector<PageLoad> Loads() {
        std::lock_guard lock(mutex_);
        return loads_;
    }
    std::map<QString, Clock::time_point> ViewsMade() {
        std::lock_guard lock(mutex_);
        return viewsMade_;
    }

private:
    void Run() {
        auto nextLoad = Clock::now();
        while (!stop_) {
            if (Clock::now() >= nextLoad) {
                PageLoad load = LoadPage(port_);
                load.duringScan = scanning_;
                std::lock_guard lock(mutex_);
                loads_.push_back(load);
                nextLoad += kLoadInterval;
            }
            NoteViews();
            std::this_thread::sleep_for(kViewPollInterval);
        }
    }
    void NoteViews() {
        const std::optional<HttpAnswer> status = Get(port_, "/status.json");
        if (!status) return;
        for (const QJsonValue band : QJsonDocument::fromJson(status->body).object()["bands"].toArray()) {
            const QJsonObject image = band.toObject()["image"].toObject();
            if (!image["viewMade"].toBool()) continue;
            std::lock_guard lock(mutex_);
            viewsMade_.try_emplace(image["name"].toString(), Clock::now());
        }
    }

    const quint16 port_;
    std::atomic_bool stop_{false};
    std::atomic_bool scanning_{true};
    std::mutex mutex_;
    std::vector<PageLoad> loads_;
    std::map<QString, Clock::time_point> viewsMade_; // by image name
    std::thread thread_;
};

struct ScanRun {
    double scanSeconds = 0;
    int processed = 0;
    std::vector<PageLoad> loads;
    std::map<QString, double> viewReadySeconds; // by image name: from the image's report to its view
    std::map<QString, QString> images;          // by band code: the image saved
};

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

std::optional<ScanRun> RunScan(const QDir& scan, const QStringList& files, const QString& work,
                               bool withPage) {
    QDir(work).removeRecursively();
    const QString received = work + "/received/", images = work + "/images/";
    QDir().mkpath(received);
    for (const QString& name : files)
        if (!PlaceReceivedFile(scan.filePath(name), received + name)) return std::nullopt;
    const TTemporaryStore store;
    Store("SourcePath", received);
    Store("NetCDFPath", images);
    Store("SavePath", images);
    QStringList bands;
    for (int band = 0; band < kBandCount; ++band) bands << BandCode[band];
    Store("BandsSelected", bands.join(','));
    const quint16 port = withPage ? FreePort() : 0;
    Store("WebPort", QString::number(port));

    ScanRun run;
    TFormStratolux form(ParseCommandLine({"-start", "-images"}), work + "/stratolux-process.log");
    form.Waits = ProcessingWaits::None();
    form.Reader.program = READER_PROGRAM;
    std::optional<PageClient> client;
    std::map<QString, Clock::time_point> reported;
    QObject::connect(&form.Scan(), &ScanController::FileReported, &form, [&](const FileOutcome& outcome) {
        if (!outcome.Processed()) return;
        ++run.processed;
        reported[QFileInfo(outcome.imagePath).fileName()] = Clock::now();
        run.images[BandCode.at(outcome.BandIndex())] = outcome.imagePath;
    });
    Clock::time_point scanStart;
    QObject::connect(&form.Scan(), &ScanController::RunningChanged, &form, [&] { scanStart = Clock::now(); });
    QEventLoop loop;
    QObject::connect(&form.Scan(), &ScanController::ScanEnded, &form, [&] {
        run.scanSeconds = std::chrono::duration<double>(Clock::now() - scanStart).count();
        if (client) client->ScanEnded();
        loop.quit();
    });
    QTimer::singleShot(kGiveUpAfter, &loop, &QEventLoop::quit);
    form.show(); // opens the page
    if (withPage) client.emplace(port);
    loop.exec();
    form.Scan().SetRunning(false);
    if (!client) return run;

    // Every view made, then a few loads of the finished page.
    const auto allViewsMade = [&] { return client->ViewsMade().size() >= reported.size(); };
    for (const auto giveUp = Clock::now() + std::chrono::minutes(10);
         !allViewsMade() && Clock::now() < giveUp;)
        QTest::qWait(500);
    QTest::qWait(static_cast<int>(std::chrono::milliseconds(kLoadInterval).count() * 3));
    run.loads = client->Loads();
    for (const auto& [name, made] : client->ViewsMade())
        if (reported.count(name))
            run.viewReadySeconds[name] = std::chrono::duration<double>(made - reported[name]).count();
    client.reset();
    return run;
}

void PrintLoads(const std::vector<PageLoad>& loads, bool duringScan) {
    std::vector<double> ms;
    qint64 bytes = 0;
    int incomplete = 0;
    for (const PageLoad& load : loads)
        if (load.duringScan == duringScan) {
            if (!load.complete) ++incomplete;
            ms.push_back(load.ms);
            bytes = std::max(bytes, load.bytes);
        }
    if (ms.empty()) return;
    std::printf("  %-52s median %6.1f ms, longest %6.1f ms (%zu loads, %d incomplete, up to %.0f kB)\n",
                duringScan ? "page with its thumbnails, during the scan" : "page with its thumbnails, after",
                Median(ms), *std::max_element(ms.begin(), ms.end()), ms.size(), incomplete, bytes / 1e3);
}

// The time and processor time of making one reduced view, with nothing else running.
void PrintViewCost(const QString& image) {
    const QSize size = QImageReader(image).size();
    std::optional<QByteArray> view;
    const double processorStart = ThreadProcessorSeconds();
    const double seconds = Seconds([&] { view = MakeReducedView(image); });
    std::printf("  view of %-44s %6.2f s (%.2f s processor), %5d x %-5d -> %.0f kB\n",
                qPrintable(QFileInfo(image).fileName()), seconds, ThreadProcessorSeconds() - processorStart,
                size.width(), size.height(), view ? view->size() / 1e3 : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArguments args(argc, argv, "SCANFOLDER WORKFOLDER [RUNS [IMAGE...]]");
    if (args.Count() < 2) return args.Usage();
    const QDir scan(args[1]);
    const std::optional<QStringList> files = SixteenBandScan(scan);
    if (!files) return 2;
    const int runs = std::max(1, args.NumberOr(3, 3));
    std::vector<double> without, with;
    std::vector<PageLoad> loads;
    ScanRun last;
    bool complete = true;
    for (int run = 0; run < runs; ++run) {
        const std::optional<ScanRun> plain = RunScan(scan, *files, args[2] + "/without-page", false);
        const std::optional<ScanRun> paged = RunScan(scan, *files, args[2] + "/with-page", true);
        if (!plain || !paged) return 2;
        without.push_back(plain->scanSeconds);
        with.push_back(paged->scanSeconds);
        loads.insert(loads.end(), paged->loads.begin(), paged->loads.end());
        complete = complete && plain->processed == kBandCount && paged->processed == kBandCount &&
                   paged->viewReadySeconds.size() == kBandCount;
        last = *paged;
    }

    std::printf("window with a sixteen-band full-disk scan (band 2 included), %d runs each way in turns\n",
                runs);
    std::printf("  %-52s %8.1f s (median; %.1f to %.1f)\n", "scan without the page", Median(without),
                *std::min_element(without.begin(), without.end()),
                *std::max_element(without.begin(), without.end()));
    std::printf("  %-52s %8.1f s (median; %.1f to %.1f; %+.1f %%)\n",
                "scan with the page and a client every 2 s", Median(with),
                *std::min_element(with.begin(), with.end()), *std::max_element(with.begin(), with.end()),
                100 * (Median(with) / Median(without) - 1));
    PrintLoads(loads, true);
    PrintLoads(loads, false);
    std::printf("  reduced view ready after its image was reported (last run):\n");
    for (const auto& [name, seconds] : last.viewReadySeconds)
        std::printf("    %-50s %6.1f s\n", qPrintable(name), seconds);
    std::printf(
        "  making one reduced view, nothing else running (the program makes them at idle priority):\n");
    for (const char* band : {"B02", "B01", "B13"})
        if (last.images.count(band)) PrintViewCost(last.images.at(band));
    for (const QString& image : args.From(4)) PrintViewCost(image);

    for (const PageLoad& load : loads) complete = complete && load.complete;
    return complete ? 0 : 1;
}
