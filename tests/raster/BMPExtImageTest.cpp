// TExtBitmap: size and format handling, the IPL copies and resampling in both directions.
#include "BMPExtImage.h"

#include <gtest/gtest.h>

namespace {

void MakeGrey(TExtBitmap& bitmap, int width, int height, int (*pattern)(int, int)) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(pattern(x, y));
}

int Flat(int, int) {
    return 100;
}
int Checker(int x, int y) {
    return ((x / 5 + y / 5) % 2) * 200;
}
int Diagonal(int x, int y) {
    return (x + y) % 256;
}

} // namespace

TEST(ExtBitmap, ResizingKeepsFormatPaletteAndOverlap) {
    TExtBitmap bitmap;
    MakeGrey(bitmap, 10, 10, Diagonal);
    bitmap.SetWidth(20);
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.ScanLine(9)[9], 18);
    EXPECT_EQ(bitmap.ScanLine(9)[15], 0);
    EXPECT_EQ(bitmap.Image().colorTable(), TExtBitmap::GreyRamp());

    bitmap.SetHeight(0);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 20);
    bitmap.SetHeight(3);
    EXPECT_EQ(bitmap.Image().size(), QSize(20, 3));
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_Indexed8);
}

TEST(ExtBitmap, InterpolateDoesNothingForSameSizeOrTinyBitmaps) {
    TExtBitmap same;
    MakeGrey(same, 50, 40, Diagonal);
    same.Interpolate(50, 40);
    EXPECT_FALSE(same.Modified());

    TExtBitmap narrow;
    MakeGrey(narrow, 2, 500, Diagonal);
    narrow.Interpolate(100, 1000);
    narrow.Interpolate(1, 1);
    EXPECT_EQ(narrow.Width(), 2);
    EXPECT_EQ(narrow.Height(), 500);
    EXPECT_FALSE(narrow.Modified());
}

TEST(ExtBitmap, ReductionAveragesAreasAndKeepsGreyFormat) {
    TExtBitmap bitmap;
    MakeGrey(bitmap, 1000, 1000, Checker);
    int notified = 0;
    bitmap.SetOnChange([&] { ++notified; });
    bitmap.Interpolate(200, 200);
    ASSERT_EQ(bitmap.Width(), 200);
    ASSERT_EQ(bitmap.Height(), 200);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.Image().colorTable(), TExtBitmap::GreyRamp());
    EXPECT_TRUE(bitmap.Modified());
    EXPECT_EQ(notified, 1);
    // Each target pixel covers exactly one 5 x 5 square of the checker board.
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 200);
    EXPECT_EQ(bitmap.ScanLine(1)[1], 0);

    TExtBitmap halves;
    MakeGrey(halves, 100, 100, Checker);
    halves.Interpolate(10, 10);
    EXPECT_EQ(halves.ScanLine(3)[4], 100);
}

TEST(ExtBitmap, EnlargementAndShrinkingOfOneSide) {
    TExtBitmap taller;
    MakeGrey(taller, 100, 100, Flat);
    taller.Interpolate(100, 150);
    EXPECT_EQ(taller.Image().size(), QSize(100, 150));
    EXPECT_EQ(taller.ScanLine(75)[50], 100);

    TExtBitmap shorter;
    MakeGrey(shorter, 100, 100, Flat);
    shorter.Interpolate(100, 50);
    EXPECT_EQ(shorter.Image().size(), QSize(100, 50));
    EXPECT_EQ(shorter.ScanLine(25)[50], 100);
}

TEST(ExtBitmap, ColourBitmapsKeepChannelOrder) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            bitmap.ScanLine(y)[3 * x] = 10;
            bitmap.ScanLine(y)[3 * x + 1] = 20;
            bitmap.ScanLine(y)[3 * x + 2] = 30;
        }
    bitmap.Interpolate(10, 10);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap.ScanLine(5)[15], 10);
    EXPECT_EQ(bitmap.ScanLine(5)[16], 20);
    EXPECT_EQ(bitmap.ScanLine(5)[17], 30);
    EXPECT_EQ(bitmap.Image().pixel(5, 5), qRgb(30, 20, 10));
}

TEST(ExtBitmap, RefusedResizesLeaveTheBitmapUnchanged) {
    TExtBitmap bitmap;
    MakeGrey(bitmap, 100, 100, Diagonal);
    try {
        bitmap.Interpolate(150, 50);
        FAIL() << "mixed directions accepted";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(),
                     "Error: Interpolate called with increase width and reduce height or vice-versa.");
    }
    EXPECT_THROW(bitmap.Interpolate(0, 10), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.Interpolate(0, 0), EInvalidGraphicOperation);
    EXPECT_EQ(bitmap.Image().size(), QSize(100, 100));
    EXPECT_EQ(bitmap.ScanLine(99)[99], Diagonal(99, 99));
    EXPECT_FALSE(bitmap.Modified());

    TExtBitmap wide;
    wide.SetPixelFormat(TPixelFormat::pf32bit);
    wide.SetSize(100, 100);
    try {
        wide.Interpolate(50, 50);
        FAIL() << "32-bit bitmap resampled";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Error: Interpolate called without 8-bit or 24-bit pixels.");
    }
    try {
        wide.Interpolate(150, 50);
        FAIL() << "mixed directions accepted";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(),
                     "Error: Interpolate called with increase width and reduce height or vice-versa.");
    }
    try {
        wide.MakeBlankIPL(10, 10);
        FAIL() << "32-bit IPL image made";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Error: MakeBlankIPL called without 8 or 24-bit pixels.");
    }
}

TEST(ExtBitmap, GreyPaletteIsSetOnlyWhenNeeded) {
    TExtBitmap colour;
    colour.SetPixelFormat(TPixelFormat::pf24bit);
    colour.SetGreyPalette();
    EXPECT_FALSE(colour.Modified());
    EXPECT_TRUE(colour.Palette().isEmpty());

    TExtBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetGreyPalette();
    EXPECT_FALSE(grey.Modified());

    QList<QRgb> tinted = TExtBitmap::GreyRamp();
    tinted[7] = qRgb(255, 0, 0);
    grey.SetPalette(tinted);
    grey.SetGreyPalette();
    EXPECT_TRUE(grey.Modified());
    EXPECT_EQ(grey.Palette(), TExtBitmap::GreyRamp());
}

TEST(ExtBitmap, IplImagesArePaddedAndShifted) {
    TExtBitmap bitmap;
    EXPECT_EQ(bitmap.MakeBlankIPL(0, 10), nullptr);
    MakeGrey(bitmap, 5, 4, Diagonal);
    IplImagePtr copy = bitmap.MakeIPL();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->widthStep, 8);
    EXPECT_EQ(copy->nChannels, 1);
    EXPECT_EQ(copy->imageData[3 * copy->widthStep + 4], Diagonal(4, 3));

    IplImagePtr shifted = bitmap.MakeIPLWindow(5, 4, 2, 1);
    EXPECT_EQ(shifted->imageData[1 * shifted->widthStep + 2], Diagonal(0, 0));
    EXPECT_EQ(shifted->imageData[3 * shifted->widthStep + 4], Diagonal(2, 2));
    IplImagePtr back = bitmap.MakeIPLWindow(5, 4, -2, -1);
    EXPECT_EQ(back->imageData[0], Diagonal(2, 1));

    TExtBitmap target;
    target.AssignFromIPL(copy.get());
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(target.Image().size(), QSize(5, 4));
    EXPECT_EQ(target.ScanLine(2)[3], Diagonal(3, 2));
}

TEST(ExtBitmap, AdoptedImageKeepsItsPixelsAndTakesTheBitmapsPalette) {
    QImage grey(300, 200, QImage::Format_Indexed8);
    grey.setColorTable(TExtBitmap::GreyRamp());
    grey.fill(77);
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.AdoptImage(grey);
    // A full-disk picture handed over by another thread is never copied on the way.
    EXPECT_EQ(bitmap.Image().constBits(), grey.constBits());
    EXPECT_EQ(QSize(bitmap.Width(), bitmap.Height()), QSize(300, 200));

    QList<QRgb> inverted;
    for (int i = 0; i < 256; ++i) inverted << qRgb(255 - i, 255 - i, 255 - i);
    TExtBitmap recoloured;
    recoloured.SetPixelFormat(TPixelFormat::pf8bit);
    recoloured.SetPalette(inverted);
    recoloured.AdoptImage(grey);
    EXPECT_EQ(recoloured.Image().colorTable(), inverted);
    EXPECT_EQ(grey.colorTable(), TExtBitmap::GreyRamp());
}
