// Thumbnails read back from the images that processing saved: the reduction made while decoding shows the
// picture that reading the whole image and reducing it shows.
#include "BMPExtImage.h"
#include "FileProcessor.h"
#include "ImageFileLoading.h"
#include "ProcessingFixture.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace {

constexpr QSize kThumbnail(kThumbnailSide, kThumbnailSide);

// The thumbnail as it is made from the whole image: the file read into a bitmap, then reduced.
QImage WholeImageThumbnail(const QString& path) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    EXPECT_TRUE(LoadImageFileIntoBitmap(bitmap, path));
    bitmap.Interpolate(kThumbnail.width(), kThumbnail.height());
    return bitmap.Image().convertToFormat(QImage::Format_Grayscale8);
}

struct Difference {
    int largest = 0;
    double mean = 0;
};

Difference Compare(const QImage& a, const QImage& b) {
    Difference difference;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
            difference.largest = std::max(difference.largest, d);
            difference.mean += d;
        }
    difference.mean /= static_cast<double>(a.width()) * a.height();
    return difference;
}

class ThumbnailReadingTest : public ProcessingFixture {
protected:
    // A band-2 disk large enough for the JPEG to be decoded at a reduced scale, saved as PNG and JPEG.
    FileOutcome ProcessLargeBand2() {
        AbiSampleOptions sample;
        sample.band = 2;
        sample.size = 2000;
        options.saveAsPng = true;
        options.saveAsJpeg = true;
        FileProcessor processor;
        processor.notify = nullptr;
        return processor.ProcessFile(ReceivedFile::At(WriteAbiSample(sample, source)), options);
    }
    static QString PngBeside(const QString& jpeg) {
        const QFileInfo info(jpeg);
        return info.dir().filePath(info.completeBaseName() + ".png");
    }
};

} // namespace

TEST_F(ThumbnailReadingTest, JpegThumbnailShowsThePictureOfTheWholeImage) {
    const FileOutcome outcome = ProcessLargeBand2();
    ASSERT_TRUE(outcome.Processed());
    const std::optional<QImage> thumbnail = LoadReducedImage(outcome.imagePath, kThumbnail);
    ASSERT_TRUE(thumbnail);
    ASSERT_EQ(thumbnail->size(), kThumbnail);
    const Difference difference = Compare(*thumbnail, WholeImageThumbnail(outcome.imagePath));
    EXPECT_LE(difference.largest, 1);
    EXPECT_LT(difference.mean, 0.1);
}

TEST_F(ThumbnailReadingTest, PngThumbnailShowsThePictureOfTheWholeImage) {
    const FileOutcome outcome = ProcessLargeBand2();
    ASSERT_TRUE(outcome.Processed());
    const QString png = PngBeside(outcome.imagePath);
    const std::optional<QImage> thumbnail = LoadReducedImage(png, kThumbnail);
    ASSERT_TRUE(thumbnail);
    const Difference difference = Compare(*thumbnail, WholeImageThumbnail(png));
    EXPECT_LE(difference.largest, 1);
    EXPECT_LT(difference.mean, 0.02);
}

TEST_F(ThumbnailReadingTest, ColourPngIsStillShownAsItsGreyLevels) {
    QImage colour(400, 300, QImage::Format_RGB888);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x) colour.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QString path = images + "colour.png";
    QDir().mkpath(images);
    ASSERT_TRUE(colour.save(path));
    const std::optional<QImage> thumbnail = LoadReducedImage(path, kThumbnail);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(*thumbnail, WholeImageThumbnail(path));
}

TEST_F(ThumbnailReadingTest, JpegCutShortGivesNoThumbnail) {
    const FileOutcome outcome = ProcessLargeBand2();
    ASSERT_TRUE(outcome.Processed());
    QFile jpeg(outcome.imagePath);
    ASSERT_TRUE(jpeg.resize(jpeg.size() / 2));
    EXPECT_FALSE(LoadReducedImage(outcome.imagePath, kThumbnail));
}
