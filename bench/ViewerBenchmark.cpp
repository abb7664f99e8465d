// Viewer benchmark: the full-size viewer, maximised on a 1920 × 1080 screen (offscreen), opens a band-2 image
// (21696² pixels), and F is pressed the moment the picture is shown, when the reduced copy for the fitted
// view has only just been begun. Reports the time from the key to the fitted view made from that copy (target
// at most 2 s), the longest repaint of the whole window at each zoom (target under 50 ms, the window's
// event-loop target) and the memory the open viewer holds beyond the picture (target at most 10 % of it).
#include "BMPExtImage.h"
#include "BenchMain.h"
#include "PeakMemory.h"
#include "SingleImageForm.h"
#include "Timing.h"
#include "Verdict.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

namespace {

constexpr double kFitSeconds = 2;
constexpr double kRepaintMs = 50;
constexpr double kMemoryAbovePicture = 0.10;
constexpr int kZoomInSteps = 9; // from the fitted view up to 16:1 for a band-2 picture on this screen

// An offscreen screen of a common desktop size, so that the window and its paints are those an operator has.
void UseDesktopSizedScreen(const QDir& work) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
    const QString config = work.filePath("screen.json");
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
                   R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
}

// Milliseconds to paint the whole visible picture as the window would.
double RepaintMs(QWidget& viewport) {
    QElapsedTimer clock;
    clock.start();
    const QPixmap painted = viewport.grab();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    // Read before the application is made, as the screen it is given depends on the work folder.
    const BenchArguments args(argc, argv, "BAND2IMAGE WORKFOLDER");
    if (args.Count() < 2) return args.Usage();
    QDir work(args[2]);
    QDir().mkpath(work.path());
    UseDesktopSizedScreen(work);
    QApplication app(argc, argv);
    const QString image = args[1];

    TFormSingleImage form;
    const long long before = ResidentBytesNow();
    QSignalSpy loaded(&form, &TFormSingleImage::PictureLoaded);
    QSignalSpy overviewMade(&form, &TFormSingleImage::OverviewMade);
    const double loading = Seconds([&] {
        form.ShowImage(1, image, QStringLiteral("band 2"));
        loaded.wait(600000);
    });
    const double pixels = static_cast<double>(form.Picture().Width()) * form.Picture().Height();
    if (pixels == 0) {
        std::fprintf(stderr, "%s could not be shown\n", qPrintable(image));
        return 1;
    }
    auto& viewport = *form.findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->viewport();

    QElapsedTimer sinceKey;
    sinceKey.start();
    QTest::keyClick(&form, Qt::Key_F);
    RepaintMs(viewport);
    const double firstFittedPaint = sinceKey.nsecsElapsed() / 1e9;
    if (overviewMade.isEmpty()) overviewMade.wait(60000);
    RepaintMs(viewport);
    const double exactFit = sinceKey.nsecsElapsed() / 1e9;

    double longestRepaint = RepaintMs(viewport);
    QString longestAt = QStringLiteral("fit");
    for (int step = 0; step < kZoomInSteps; ++step) {
        QTest::keyClick(&form, Qt::Key_Plus);
        if (const double ms = RepaintMs(viewport); ms > longestRepaint) {
            longestRepaint = ms;
            longestAt = QString::number(form.Zoom() * 100) + " %";
        }
    }
    const double aboveBytes = static_cast<double>(ResidentBytesNow() - before) - pixels;

    std::printf("viewer on a %dx%d screen with %s (%.1f Mpixel)\n", form.width(), form.height(),
                qPrintable(QFileInfo(image).fileName()), pixels / 1e6);
    std::printf("  %-52s %8.2f s\n", "opening (decoding the file)", loading);
    std::printf("  %-52s %8.3f s\n", "F at once: first fitted paint (sampled)", firstFittedPaint);
    std::printf("  %-52s %8.1f ms (at %s)\n", "longest repaint of the whole window, fit to 16:1",
                longestRepaint, qPrintable(longestAt));
    std::printf("  %-52s %8.1f MB (%.1f %% of the picture)\n", "held beyond the picture", aboveBytes / 1e6,
                100 * aboveBytes / pixels);
    Verdict verdict;
    verdict.Check("F at once: the fitted view from the reduced copy (s)", exactFit, kFitSeconds);
    verdict.Check("longest repaint of the whole window (ms)", longestRepaint, kRepaintMs);
    verdict.Check("memory held beyond the picture (share of it)", aboveBytes / pixels, kMemoryAbovePicture);
    return verdict.failures == 0 && overviewMade.count() == 1 ? 0 : 1;
}
