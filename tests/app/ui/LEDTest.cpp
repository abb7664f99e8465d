// The LED lamp painted into an image, and its repaint rule; the Start/Stop glyphs.
#include "LED.h"
#include "LampPictures.h"

#include <QCoreApplication>
#include <QRegion>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CountingLED : public TLED {
public:
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++Paints;
        TLED::paintEvent(event);
    }
};

TEST(LED, LitAreaTakesTheColourInsideTheCircleOnly) {
    TLED led;
    EXPECT_EQ(led.size(), QSize(17, 17));
    EXPECT_EQ(led.Colour(), QColor(0, 255, 0));
    led.resize(24, 24);
    const QColor yellow(255, 255, 0);
    led.SetColour(yellow);

    const QImage painted = led.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage& lamp = led.Bitmap();
    ASSERT_EQ(lamp.size(), QSize(15, 15));
    const QRgb background = painted.pixel(0, 0);
    const QRegion circle(0, 0, 18, 18, QRegion::Ellipse);
    int lit = 0, clipped = 0;
    for (int y = 0; y < lamp.height(); ++y) {
        for (int x = 0; x < lamp.width(); ++x) {
            const QRgb pixel = painted.pixel(x + 1, y + 1);
            if (!circle.contains(QPoint(x + 1, y + 1))) {
                EXPECT_EQ(pixel, background) << x << "," << y;
                clipped += lamp.pixel(x, y) != background;
            } else if (lamp.pixel(x, y) == qRgb(0, 255, 0)) {
                EXPECT_EQ(pixel, yellow.rgb()) << x << "," << y;
                ++lit;
            } else {
                EXPECT_EQ(pixel, lamp.pixel(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(lit, 50);
    EXPECT_GT(clipped, 0);
    EXPECT_EQ(painted.pixel(20, 20), background);
}

TEST(LED, SettingTheSameColourDoesNotRepaint) {
    CountingLED led;
    led.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&led));
    QCoreApplication::processEvents();

    led.Paints = 0;
    led.SetColour(QColor(0, 255, 0));
    QCoreApplication::processEvents(); // a requested repaint would happen here
    EXPECT_EQ(led.Paints, 0);

    led.SetColour(QColor(128, 128, 128));
    EXPECT_TRUE(QTest::qWaitFor([&] { return led.Paints > 0; }, 2000));
    led.Paints = 0;
    led.SetColour(QColor(128, 128, 128));
    QCoreApplication::processEvents();
    EXPECT_EQ(led.Paints, 0);
}

TEST(LED, ButtonGlyphsAreRoundLampsOffAndOn) {
    const QImage off = GlyphLedOff().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage on = GlyphLedOn().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(off.size(), QSize(15, 15));
    ASSERT_EQ(on.size(), QSize(15, 15));
    EXPECT_EQ(qAlpha(off.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(on.pixel(14, 14)), 0);
    EXPECT_NE(off.pixel(7, 9), on.pixel(7, 9));
    EXPECT_EQ(qAlpha(on.pixel(7, 9)), 255);
}

} // namespace
