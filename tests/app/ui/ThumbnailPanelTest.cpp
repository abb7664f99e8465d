// The thumbnail panel: blank start, restoring earlier images, refreshing after a save, hover, click and the
// popup menu's hand-off.
#include "ThumbnailPanel.h"
#include "BandTables.h"
#include "ImageFileLoading.h"
#include "Thumbnail.h"
#include "UiTestImages.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ThumbnailPanelTest : public testing::Test {
protected:
    Thumbnail& ImageOf(int band) {
        return *panel.findChild<Thumbnail*>(QStringLiteral("Image") + BandCode[band]);
    }
    QLabel& LabelOf(int band) { return *panel.findChild<QLabel*>(QStringLiteral("Label") + BandCode[band]); }

    bool IsBlank(int band) {
        const QImage shown = ImageOf(band).grab().toImage();
        const int grey = BlankGrey(band);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixel(x, y) != qRgb(grey, grey, grey)) return false;
        return shown.size() == QSize(Thumbnail::kSide, Thumbnail::kSide);
    }

    // A noisy mid-grey PNG of just under 25 000 bytes, padded to `size`.
    QString WriteRestorable(const QString& name, qint64 size) {
        TExtBitmap bitmap;
        MakeGreyBitmap(bitmap, 150, 150, NoisyGrey(128, 60));
        const QString path = dir.filePath(name);
        WritePng(bitmap, path);
        PadFile(path, size);
        return path;
    }

    // What the start-up does for a band: read the file back on the worker's side, then show it.
    void Restore(int band, const QString& path) {
        if (const auto image = LoadRestorableImage(path, QSize(kThumbnailSide, kThumbnailSide)))
            panel.ShowRestoredImage(band, path, *image);
    }
    // What the scan does after a save.
    void ShowSaved(int band, const QString& path, const QString& hint) {
        panel.ShowSavedImage(
            band, LoadReducedImage(path, QSize(kThumbnailSide, kThumbnailSide)).value_or(QImage()), hint);
    }

    void Enter(int band) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&ImageOf(band), &enter);
    }

    QTemporaryDir dir;
    ThumbnailPanel panel;
};

TEST_F(ThumbnailPanelTest, StartsWithBlankBandsAndCaptionedLabels) {
    panel.show();
    for (int band = 0; band < kBandCount; ++band) {
        SCOPED_TRACE(BandCode[band].toStdString());
        EXPECT_TRUE(IsBlank(band));
        EXPECT_EQ(BlankGrey(band), band < 7 ? 16 : 240);
        Thumbnail& image = ImageOf(band);
        QLabel& label = LabelOf(band);
        EXPECT_TRUE(label.text().startsWith(BandCode[band] + QStringLiteral(":  ")));
        EXPECT_EQ(label.text(), BandLabelCaption(band));
        EXPECT_EQ(label.toolTip(), BandHint[band]);
        EXPECT_EQ(label.y(), image.y() + image.height());
        // A label wider than the space left of its thumbnail starts at the panel's edge instead.
        if (label.x() > 0) {
            EXPECT_LE(std::abs(label.geometry().center().x() - image.geometry().center().x()), 1);
        }
        EXPECT_TRUE(image.toolTip().isEmpty());
        EXPECT_EQ(image.cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(ImageOf(0).pos(), QPoint(4, 4));
    EXPECT_EQ(ImageOf(6).pos(), QPoint(366, 152));
    EXPECT_EQ(ImageOf(15).pos(), QPoint(548, 448));
}

TEST_F(ThumbnailPanelTest, RestoresOnlyFilesOfAtLeast25000Bytes) {
    const QString small = WriteRestorable(QStringLiteral("small.png"), 24999);
    const QString large = WriteRestorable(QStringLiteral("large.png"), 25000);
    Restore(7, small);
    EXPECT_TRUE(IsBlank(7));
    EXPECT_TRUE(panel.Hint(7).isEmpty());

    Restore(8, large);
    EXPECT_NEAR(MeanGrey(ImageOf(8).Picture()), 128, 4);
    EXPECT_EQ(panel.Hint(8), QStringLiteral("Image from previous file:  ") + large);
}

TEST_F(ThumbnailPanelTest, RestoresByUpperCasedExtensionOnly) {
    TExtBitmap bitmap;
    MakeGreyBitmap(bitmap, 400, 300, NoisyGrey(90, 40));
    const QString jpeg = dir.filePath(QStringLiteral("scan.JPG"));
    WriteJpeg(bitmap, jpeg);
    ASSERT_GE(QFileInfo(jpeg).size(), kMinimumRestoreBytes);
    const QString png = WriteRestorable(QStringLiteral("scan.png"), 30000);
    const QString otherName = dir.filePath(QStringLiteral("scan.bmp"));
    ASSERT_TRUE(QFile::copy(png, otherName));

    Restore(9, jpeg);
    Restore(10, png);
    Restore(11, otherName);
    EXPECT_NEAR(MeanGrey(ImageOf(9).Picture()), 90, 4);
    EXPECT_NEAR(MeanGrey(ImageOf(10).Picture()), 128, 4);
    EXPECT_TRUE(IsBlank(11));
    EXPECT_TRUE(panel.Hint(11).isEmpty());
}

TEST_F(ThumbnailPanelTest, UnreadableOrMissingFilesLeaveTheThumbnailAlone) {
    const QString garbage = dir.filePath(QStringLiteral("broken.jpg"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(30000, 'x'));
    file.close();

    Restore(2, garbage);
    Restore(3, dir.filePath(QStringLiteral("missing.png")));
    Restore(4, dir.path());
    EXPECT_TRUE(IsBlank(2));
    EXPECT_TRUE(IsBlank(3));
    EXPECT_TRUE(IsBlank(4));
    EXPECT_TRUE(panel.Hint(2).isEmpty());
}

TEST_F(ThumbnailPanelTest, ClearingBlanksThePicturesAndKeepsTheHints) {
    const QString path = WriteRestorable(QStringLiteral("image.png"), 25000);
    Restore(1, path);
    Restore(12, path);
    ASSERT_FALSE(IsBlank(1));
    panel.ClearThumbnails();
    EXPECT_TRUE(IsBlank(1));
    EXPECT_TRUE(IsBlank(12));
    EXPECT_EQ(panel.Hint(12), QStringLiteral("Image from previous file:  ") + path);
}

TEST_F(ThumbnailPanelTest, SavedImageSetsTheHintEvenWhenItCannotBeShown) {
    TExtBitmap bitmap;
    MakeGreyBitmap(bitmap, 1000, 1000,
                   [](int x, int) { return static_cast<std::uint8_t>(x < 500 ? 0 : 200); });
    const QString path = dir.filePath(QStringLiteral("small.jpg"));
    WriteJpeg(bitmap, path);

    ShowSaved(12, path, QStringLiteral("first"));
    const TExtBitmap& picture = ImageOf(12).Picture();
    EXPECT_NEAR(picture.ScanLine(60)[10], 0, 3);
    EXPECT_NEAR(picture.ScanLine(60)[110], 200, 3);
    EXPECT_EQ(panel.Hint(12), QStringLiteral("first"));

    // Wider but less high than the thumbnail: the reduction is refused and the previous picture stays.
    MakeGreyBitmap(bitmap, 400, 80, NoisyGrey(250, 2));
    const QString flat = dir.filePath(QStringLiteral("flat.png"));
    WritePng(bitmap, flat);
    ShowSaved(12, flat, QStringLiteral("second"));
    EXPECT_EQ(panel.Hint(12), QStringLiteral("second"));
    EXPECT_NEAR(picture.ScanLine(60)[10], 0, 3);
}

TEST_F(ThumbnailPanelTest, ClickOpensTheLastEnteredBand) {
    QSignalSpy clicked(&panel, &ThumbnailPanel::ThumbnailClicked);
    EXPECT_EQ(panel.HoveredBand(), 0);
    Enter(4);
    Enter(2);
    EXPECT_EQ(panel.HoveredBand(), 2);
    QTest::mouseClick(&ImageOf(2), Qt::LeftButton);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 2);
    QTest::mouseClick(&ImageOf(2), Qt::RightButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(ThumbnailPanelTest, PopupMenuHandsOffTheEnteredBandOnceQuillmapIsFound) {
    const QString quillmap = dir.filePath(QStringLiteral("quillmap"));
    panel.SetQuillmapPath(quillmap);
    panel.show();
    auto* menu = panel.findChild<QMenu*>(QStringLiteral("ImagePopupMenu"));
    auto* item = panel.findChild<QAction*>(QStringLiteral("QuillmapProcess"));
    ASSERT_TRUE(menu && item);
    EXPECT_EQ(item->text(), QStringLiteral("Quillmap process ... "));
    QSignalSpy handOff(&panel, &ThumbnailPanel::QuillmapProcessRequested);

    auto openMenuOn = [&](int band) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  ImageOf(band).mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&ImageOf(band), &request);
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    };
    openMenuOn(4);
    EXPECT_FALSE(item->isEnabled());

    QFile file(quillmap);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Enter(1);
    Enter(4);
    openMenuOn(4);
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    ASSERT_EQ(handOff.count(), 1);
    EXPECT_EQ(handOff.at(0).at(0).toInt(), 4);

    // Found once, the item stays available for the rest of the run.
    ASSERT_TRUE(QFile::remove(quillmap));
    openMenuOn(4);
    EXPECT_TRUE(item->isEnabled());
}

} // namespace
