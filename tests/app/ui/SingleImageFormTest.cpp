// The full-size viewer: loading on showing and on a new image while visible, scrolling, hiding, its menu.
#include "SingleImageForm.h"
#include "UiTestImages.h"
#include "ViewerWorkers.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

std::uint8_t Diagonal(int x, int y) {
    return static_cast<std::uint8_t>((x + 2 * y) % 256);
}

class SingleImageFormTest : public testing::Test {
protected:
    void SetUp() override {
        TExtBitmap bitmap;
        MakeGreyBitmap(bitmap, 3000, 2000, Diagonal);
        large = dir.filePath(QStringLiteral("large.png"));
        WritePng(bitmap, large);
        MakeGreyBitmap(bitmap, 640, 480, NoisyGrey(50, 1));
        small = dir.filePath(QStringLiteral("small.jpg"));
        WriteJpeg(bitmap, small);
    }

    // Shows an image and waits until the viewer has read it, which happens off the GUI thread.
    void ShowAndLoad(int band, const QString& path, const QString& caption) {
        QSignalSpy loaded(&form, &TFormSingleImage::PictureLoaded);
        form.ShowImage(band, path, caption);
        ASSERT_TRUE(loaded.wait(10000));
    }

    QTemporaryDir dir;
    QString large;
    QString small;
    TFormSingleImage form;
};

TEST_F(SingleImageFormTest, LoadsTheImageWhenShownAndPaintsTheScrolledPart) {
    ShowAndLoad(12, large, QStringLiteral("GOES-16  2025-01-21 2000  band B13"));
    ASSERT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("GOES-16  2025-01-21 2000  band B13"));
    EXPECT_EQ(form.ImageBand(), 12);
    EXPECT_EQ(form.ImageFileName(), large);
    const TExtBitmap& picture = form.Picture();
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(QSize(picture.Width(), picture.Height()), QSize(3000, 2000));
    EXPECT_EQ(picture.ScanLine(1999)[2999], Diagonal(2999, 1999));

    auto* scrollBox = form.findChild<QScrollArea*>(QStringLiteral("ScrollBox"));
    ASSERT_TRUE(scrollBox);
    QScrollBar& across = *scrollBox->horizontalScrollBar();
    QScrollBar& down = *scrollBox->verticalScrollBar();
    ASSERT_GT(across.maximum(), 0);
    ASSERT_GT(down.maximum(), 0);
    across.setValue(1234);
    down.setValue(567);
    const QImage shown = scrollBox->viewport()->grab().toImage();
    ASSERT_FALSE(shown.isNull());
    for (const QPoint& at : {QPoint(0, 0), QPoint(17, 3), QPoint(shown.width() - 1, shown.height() - 1)}) {
        const int expected = Diagonal(at.x() + across.value(), at.y() + down.value());
        EXPECT_EQ(shown.pixel(at), qRgb(expected, expected, expected)) << at.x() << "," << at.y();
    }
}

TEST_F(SingleImageFormTest, EscapeHidesAndTheNextShowingLoadsTheNewFile) {
    form.ShowImage(1, large, QStringLiteral("first"));
    ASSERT_TRUE(form.isVisible());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());

    ShowAndLoad(2, small, QStringLiteral("second"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("second"));
    EXPECT_EQ(form.Picture().Width(), 640);
    EXPECT_EQ(form.Picture().Height(), 480);
}

TEST_F(SingleImageFormTest, ANewImageWhileVisibleIsLoadedAtOnce) {
    form.ShowImage(1, large, QStringLiteral("first"));
    // The second request overtakes the first; only its picture is shown.
    ShowAndLoad(5, small, QStringLiteral("second"));
    // The first load finishes too, and its late result must not replace the second picture.
    ViewerWorkers().waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.ImageBand(), 5);
    EXPECT_EQ(form.Picture().Width(), 640);
    EXPECT_NEAR(form.Picture().ScanLine(100)[100], 50, 3);
}

TEST_F(SingleImageFormTest, AnUnreadableFileShowsNoPreviousPicture) {
    ShowAndLoad(1, large, QStringLiteral("first"));
    ShowAndLoad(2, dir.filePath(QStringLiteral("gone.png")), QStringLiteral("second"));
    EXPECT_TRUE(form.Picture().Empty());
    // The window says why it is empty.
    const QLabel* said = form.findChild<QLabel*>(QStringLiteral("LabelLoading"));
    ASSERT_NE(said, nullptr);
    EXPECT_TRUE(said->isVisible());
    EXPECT_EQ(said->text(), QStringLiteral("gone.png cannot be shown"));
}

// A band-2 sized JPEG takes seconds to decode: the window says what it reads and how far it has come, and the
// zoom keys pressed meanwhile apply, in order, once the picture is there.
TEST_F(SingleImageFormTest, WhileALargeImageIsReadTheWindowSaysSoAndKeysPressedMeanwhileApplyWhenItIsThere) {
    TExtBitmap bitmap;
    MakeGreyBitmap(bitmap, 6000, 4000, NoisyGrey(100, 40));
    const QString name = QStringLiteral("202501211200-g16-b02.jpg");
    const QString path = dir.filePath(name);
    WriteJpeg(bitmap, path);
    const QString reading = "Loading " + name + QStringLiteral(" \u2026");
    const QLabel* said = form.findChild<QLabel*>(QStringLiteral("LabelLoading"));
    ASSERT_NE(said, nullptr);
    const struct {
        std::vector<Qt::Key> keys;
        double zoom; // 0: fitted
    } cases[] = {
        {{Qt::Key_F}, 0}, {{Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Minus}, 2}, {{Qt::Key_F, Qt::Key_1}, 1}};
    for (const auto& entry : cases) {
        QSignalSpy loaded(&form, &TFormSingleImage::PictureLoaded);
        QStringList progress;
        const QMetaObject::Connection following =
            QObject::connect(&form, &TFormSingleImage::LoadProgressed, [&] { progress << said->text(); });
        form.ShowImage(1, path, QStringLiteral("B02"));
        // The picture arrives through the event loop, which has not run yet.
        EXPECT_TRUE(form.Loading());
        EXPECT_TRUE(said->isVisible());
        EXPECT_EQ(said->text(), reading);
        for (Qt::Key key : entry.keys) QTest::keyClick(&form, key);
        EXPECT_EQ(form.Zoom(), 1);
        EXPECT_FALSE(form.Fitted());

        ASSERT_TRUE(loaded.wait(30000));
        QObject::disconnect(following);
        EXPECT_FALSE(form.Loading());
        EXPECT_FALSE(said->isVisible());
        EXPECT_EQ(form.Picture().Width(), 6000);
        EXPECT_EQ(form.Fitted(), entry.zoom == 0);
        if (entry.zoom != 0) {
            EXPECT_EQ(form.Zoom(), entry.zoom);
        }
        // Every step of the progress was shown, rising to 100 %.
        ASSERT_FALSE(progress.isEmpty());
        EXPECT_EQ(progress.last(), reading + " 100 %");
        int before = -1;
        for (const QString& text : progress) {
            const QRegularExpressionMatch step =
                QRegularExpression("^" + QRegularExpression::escape(reading) + " (\\d+) %$").match(text);
            ASSERT_TRUE(step.hasMatch()) << qPrintable(text);
            EXPECT_GT(step.captured(1).toInt(), before);
            before = step.captured(1).toInt();
        }
    }
}

TEST_F(SingleImageFormTest, ADamagedFileShowsAnEmptyPictureNotWhatTheCodecLeft) {
    ShowAndLoad(1, large, QStringLiteral("first"));
    QFile whole(small);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QString damaged = dir.filePath(QStringLiteral("damaged.jpg"));
    QFile cut(damaged);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    ASSERT_TRUE(cut.write(whole.read(whole.size() / 2)) > 0);
    cut.close();

    ShowAndLoad(2, damaged, QStringLiteral("second"));
    EXPECT_TRUE(form.Picture().Empty());
}

TEST_F(SingleImageFormTest, AnEmptyCaptionStaysEmptyRatherThanNamingTheProgram) {
    ShowAndLoad(4, small, QString());
    ASSERT_TRUE(form.windowHandle());
    // The window system puts the program's name in place of an empty title only.
    const QString title = form.windowHandle()->title();
    EXPECT_FALSE(title.isEmpty());
    EXPECT_TRUE(title.trimmed().isEmpty()) << qPrintable(title);
}

// A window manager maximises only a window whose size hints allow the screen's size: limits set before the
// window system has maximised it would keep it at its design size.
TEST_F(SingleImageFormTest, OpensMaximisedAtTheFirstAndEveryLaterShowing) {
    for (const QString& caption : {QStringLiteral("first"), QStringLiteral("again")}) {
        QSignalSpy loaded(&form, &TFormSingleImage::PictureLoaded);
        form.ShowImage(12, small, caption);
        const QSize available = form.screen()->availableGeometry().size();
        EXPECT_TRUE(form.isMaximized());
        EXPECT_TRUE(form.minimumWidth() <= available.width() && form.minimumHeight() <= available.height());
        EXPECT_TRUE(form.maximumWidth() >= available.width() && form.maximumHeight() >= available.height());
        ASSERT_TRUE(loaded.wait(10000));
        EXPECT_EQ(form.frameGeometry().size(), available) << qPrintable(caption);
        QTest::keyClick(&form, Qt::Key_Escape);
    }
}

TEST_F(SingleImageFormTest, UsesItsOwnFontWhereInstalledElseTheDesktopFont) {
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        EXPECT_EQ(form.font().family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(form.font().pointSize(), 8);
    } else {
        EXPECT_EQ(form.font(), QApplication::font());
    }
}

TEST_F(SingleImageFormTest, AColourFileIsShownAsItsGreyLevels) {
    TExtBitmap colour;
    colour.SetPixelFormat(TPixelFormat::pf24bit);
    colour.SetSize(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            std::uint8_t* pixel = colour.ScanLine(y) + 3 * x;
            pixel[0] = pixel[1] = pixel[2] = 77;
        }
    const QString path = dir.filePath(QStringLiteral("colour.png"));
    WritePng(colour, path);
    ShowAndLoad(3, path, QStringLiteral("replaced by another program"));
    ASSERT_EQ(form.Picture().PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(form.Picture().Width(), 300);
    EXPECT_EQ(form.Picture().ScanLine(100)[100], 77);
}

TEST_F(SingleImageFormTest, MenuHandsOffTheShownBandOrQuits) {
    auto* quillmap = form.findChild<QAction*>(QStringLiteral("PopupQuillmapprocess"));
    auto* quit = form.findChild<QAction*>(QStringLiteral("PopupQuit"));
    ASSERT_TRUE(quillmap && quit);
    ASSERT_EQ(form.actions().size(), 3);
    EXPECT_TRUE(form.actions().at(1)->isSeparator());
    EXPECT_EQ(quillmap->text(), QStringLiteral("Quillmap process ... "));
    QSignalSpy handOff(&form, &TFormSingleImage::QuillmapProcessRequested);

    form.ShowImage(12, small, QStringLiteral("B13"));
    quillmap->trigger();
    ASSERT_EQ(handOff.count(), 1);
    EXPECT_EQ(handOff.at(0).at(0).toInt(), 12);
    quit->trigger();
    EXPECT_FALSE(form.isVisible());
}

} // namespace
