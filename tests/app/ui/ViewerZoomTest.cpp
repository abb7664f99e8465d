// The viewer's zoom: the keys, Ctrl + wheel and dragging, where each leaves the scroll bars, and what each
// zoom paints.
#include "AreaReduction.h"
#include "BitmapView.h"
#include "SingleImageForm.h"
#include "UiTestImages.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// Stripes across a slope: neighbouring pixels differ, so every scale shows whether it samples the right ones.
std::uint8_t Pattern(int x, int y) {
    return static_cast<std::uint8_t>((x + 2 * y) % 256 / 2 + (x / 3 % 2) * 100);
}

class ViewerZoomTest : public testing::Test {
protected:
    void SetUp() override {
        MakeGreyBitmap(source, 3000, 2000, Pattern);
        WritePng(source, dir.filePath(QStringLiteral("large.png")));
        ShowAndLoad(dir.filePath(QStringLiteral("large.png")));
        box = form.findChild<QScrollArea*>(QStringLiteral("ScrollBox"));
        view = form.findChild<BitmapView*>(QStringLiteral("Image"));
        ASSERT_TRUE(box && view);
    }

    void ShowAndLoad(const QString& path) {
        QSignalSpy loaded(&form, &TFormSingleImage::PictureLoaded);
        form.ShowImage(12, path, QStringLiteral("B13"));
        ASSERT_TRUE(loaded.wait(10000));
    }

    QPoint Scroll() const { return {box->horizontalScrollBar()->value(), box->verticalScrollBar()->value()}; }
    void ScrollTo(QPoint to) {
        box->horizontalScrollBar()->setValue(to.x());
        box->verticalScrollBar()->setValue(to.y());
    }
    // The picture point shown at a point of the viewport (a picture smaller than the window lies in its
    // middle).
    QPointF PictureAt(QPoint shown) const {
        const QPoint at = shown - view->pos();
        return {at.x() * 3000.0 / view->width(), at.y() * 2000.0 / view->height()};
    }
    QPoint Centre() const { return box->viewport()->rect().center(); }
    QString ZoomShown() const { return form.findChild<QLabel*>(QStringLiteral("LabelZoom"))->text(); }
    QImage Shown() const { return box->viewport()->grab().toImage(); }

    QTemporaryDir dir;
    TExtBitmap source;
    TFormSingleImage form;
    QScrollArea* box = nullptr;
    BitmapView* view = nullptr;
};

TEST_F(ViewerZoomTest, KeysZoomAboutTheCentreAndTheScrollBarsFollow) {
    ScrollTo({1000, 700});
    const QPointF centred = PictureAt(Centre());
    const struct {
        Qt::Key key;
        double zoom;
        const char* shown;
    } steps[] = {{Qt::Key_Plus, 2, "200 %"},  {Qt::Key_Plus, 4, "400 %"},   {Qt::Key_Minus, 2, "200 %"},
                 {Qt::Key_Minus, 1, "100 %"}, {Qt::Key_Minus, 0.5, "50 %"}, {Qt::Key_1, 1, "100 %"},
                 {Qt::Key_Equal, 2, "200 %"}};
    for (const auto& step : steps) {
        QTest::keyClick(&form, step.key);
        EXPECT_EQ(form.Zoom(), step.zoom) << step.shown;
        EXPECT_FALSE(form.Fitted());
        EXPECT_EQ(ZoomShown(), QString::fromUtf8(step.shown));
        EXPECT_EQ(view->size(), QSize(qRound(3000 * step.zoom), qRound(2000 * step.zoom)));
        // Each step keeps the picture point at the centre, to the nearest screen pixel.
        const QPointF now = PictureAt(Centre());
        EXPECT_NEAR(now.x(), centred.x(), 1 / std::min(step.zoom, 1.0)) << step.shown;
        EXPECT_NEAR(now.y(), centred.y(), 1 / std::min(step.zoom, 1.0)) << step.shown;
    }

    QTest::keyClick(&form, Qt::Key_F);
    const QSize room = box->maximumViewportSize();
    const double fit = std::min(room.width() / 3000.0, room.height() / 2000.0);
    EXPECT_TRUE(form.Fitted());
    EXPECT_DOUBLE_EQ(form.Zoom(), fit);
    EXPECT_TRUE(ZoomShown().startsWith(QStringLiteral("Fit: "))) << qPrintable(ZoomShown());
    EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(box->verticalScrollBar()->maximum(), 0);
    QTest::keyClick(&form, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(form.Zoom(), fit) << "no step below the whole picture";

    const QPointF fitted = PictureAt(Centre());
    QTest::keyClick(&form, Qt::Key_1);
    EXPECT_EQ(form.Zoom(), 1);
    EXPECT_NEAR(PictureAt(Centre()).x(), fitted.x(), 1 / fit);
    EXPECT_NEAR(PictureAt(Centre()).y(), fitted.y(), 1 / fit);

    // A new picture opens at 1:1 from its top-left corner.
    QTest::keyClick(&form, Qt::Key_Plus);
    ShowAndLoad(dir.filePath(QStringLiteral("large.png")));
    EXPECT_EQ(form.Zoom(), 1);
    EXPECT_EQ(Scroll(), QPoint(0, 0));
    EXPECT_EQ(ZoomShown(), QStringLiteral("100 %"));
}

TEST_F(ViewerZoomTest, FitPaintsTheAreaReductionOfTheWholePictureInTheMiddle) {
    QTest::keyClick(&form, Qt::Key_F);
    // The reduced copy is made off the window's thread; until it arrives the fitted view is sampled.
    QTRY_COMPARE_WITH_TIMEOUT(view->Overview().size(), view->size(), 10000);
    AreaReduction reduction(QSize(3000, 2000), view->size());
    for (int y = 0; y < 2000; ++y) reduction.AddRow(source.ScanLine(y));
    const QImage expected = reduction.Result();
    // The fitted picture lies in the middle of the window.
    const QSize room = box->viewport()->size();
    const QPoint corner = view->pos();
    EXPECT_EQ(corner, QPoint((room.width() - view->width()) / 2, (room.height() - view->height()) / 2));
    EXPECT_TRUE(corner.x() > 0 || corner.y() > 0) << "a 3:2 picture leaves room on one side";
    const QImage shown = Shown();
    ASSERT_TRUE(shown.width() >= corner.x() + expected.width() &&
                shown.height() >= corner.y() + expected.height());
    int worst = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            worst = std::max(
                worst, std::abs(qGray(shown.pixel(corner + QPoint(x, y))) - expected.constScanLine(y)[x]));
    EXPECT_LE(worst, 1);
}

TEST_F(ViewerZoomTest, ZoomedViewsPaintThePicturesOwnPixels) {
    QTest::keyClick(&form, Qt::Key_Plus);
    ScrollTo({1001, 603});
    QImage shown = Shown();
    for (const QPoint& at : {QPoint(0, 0), QPoint(1, 1), QPoint(37, 20), QPoint(shown.width() - 1, 5)}) {
        const QPoint inView = at + Scroll();
        EXPECT_EQ(qGray(shown.pixel(at)), Pattern(inView.x() / 2, inView.y() / 2)) << at.x() << "," << at.y();
    }

    QTest::keyClick(&form, Qt::Key_1);
    QTest::keyClick(&form, Qt::Key_Minus);
    ScrollTo({300, 200});
    shown = Shown();
    for (const QPoint& at : {QPoint(0, 0), QPoint(13, 7), QPoint(shown.width() - 1, shown.height() - 1)}) {
        const QPoint corner = (at + Scroll()) * 2;
        const int sum = Pattern(corner.x(), corner.y()) + Pattern(corner.x() + 1, corner.y()) +
                        Pattern(corner.x(), corner.y() + 1) + Pattern(corner.x() + 1, corner.y() + 1);
        EXPECT_EQ(qGray(shown.pixel(at)), (sum + 2) / 4) << at.x() << "," << at.y();
    }
}

TEST_F(ViewerZoomTest, CtrlWheelZoomsAboutThePointerAndDraggingMovesThePicture) {
    ScrollTo({500, 400});
    const QPoint pointer(100, 80);
    const QPointF under = PictureAt(pointer);
    for (const auto& [notch, zoom] : {std::pair{120, 2.0}, std::pair{-120, 1.0}}) {
        QWheelEvent wheel(pointer, box->viewport()->mapToGlobal(pointer), QPoint(), QPoint(0, notch),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box->viewport(), &wheel);
        EXPECT_EQ(form.Zoom(), zoom);
        EXPECT_NEAR(PictureAt(pointer).x(), under.x(), 1);
        EXPECT_NEAR(PictureAt(pointer).y(), under.y(), 1);
    }

    const QPoint before = Scroll();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(900, 800));
    QTest::mouseMove(view, QPoint(850, 720));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(850, 720));
    EXPECT_EQ(Scroll(), before + QPoint(50, 80));
}

} // namespace
