// The fixed messages of the raster and the image codecs, each raised by a real call as the program's callers
// meet it: the exception's text, or the message of the failed save.
#include "BMPExtImage.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"
#include "PngTestFiles.h"
#include "TestFiles.h"
#include "VelPNGImage.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <exception>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace {

// The message a call gave: the text of what it raised, or of the failure it answered.
using Raising = std::function<std::string(const QString& folder)>;

struct FixedMessage {
    const char* name;
    Raising raise;
    std::string expected;
    bool needsARealAllocator = false;
};

std::string TextOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "nothing raised";
}

std::string TextOf(const Status& status) {
    return status ? "succeeded" : status.failure().message.toStdString();
}

TExtBitmap& Bitmap(TExtBitmap& bitmap, TPixelFormat format, int width, int height) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    return bitmap;
}

std::string SavedPng(const TExtBitmap& bitmap, const QString& author = "a") {
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    return TextOf(SaveBitmapAsPng(bitmap, sink, author, "d", "s", "t", nullptr));
}

std::string SavedJpeg(const TExtBitmap& bitmap, QIODevice& sink) {
    return TextOf(SaveBitmapAsJpeg(bitmap, sink, 92, "c", false));
}

std::string SavedJpeg(const TExtBitmap& bitmap) {
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    return SavedJpeg(bitmap, sink);
}

// A 4 × 4 grey PNG with the texts given, written by libpng.
QString PngFile(const QString& folder, std::vector<std::pair<std::string, std::string>> texts = {}) {
    PngFileLayout layout;
    layout.width = layout.height = 4;
    layout.rows.assign(4, std::vector<std::uint8_t>(4, 128));
    layout.texts = std::move(texts);
    const QString path = folder + "/image.png";
    WritePngFile(path, layout);
    return path;
}

// Places a 4 × 4 PNG into a bitmap at (column, row).
std::string Placed(const QString& folder, int column, int row) {
    TPngImage image;
    image.LoadFromFile(PngFile(folder));
    TExtBitmap bitmap;
    return TextOf([&] { image.CopyToBitmap(bitmap, column, row); });
}

const FixedMessage kMessages[] = {
    {"InterpolateOneSideUpTheOtherDown",
     [](const QString&) {
         TExtBitmap bitmap;
         return TextOf([&] { Bitmap(bitmap, TPixelFormat::pf8bit, 100, 100).Interpolate(150, 50); });
     },
     "Error: Interpolate called with increase width and reduce height or vice-versa."},
    {"InterpolateThirtyTwoBitPixels",
     [](const QString&) {
         TExtBitmap bitmap;
         return TextOf([&] { Bitmap(bitmap, TPixelFormat::pf32bit, 100, 100).Interpolate(50, 50); });
     },
     "Error: Interpolate called without 8-bit or 24-bit pixels."},
    {"MakeBlankIplOfSixteenBitPixels",
     [](const QString&) {
         TExtBitmap bitmap;
         return TextOf([&] { Bitmap(bitmap, TPixelFormat::pf16bit, 10, 10).MakeBlankIPL(10, 10); });
     },
     "Error: MakeBlankIPL called without 8 or 24-bit pixels."},
    {"MakeBlankIplWiderThanAnyRow",
     [](const QString&) {
         TExtBitmap bitmap;
         return TextOf([&] { Bitmap(bitmap, TPixelFormat::pf24bit, 4, 4).MakeBlankIPL(INT_MAX, 1); });
     },
     "No memory can be allocated for ipl image in MakeBlankIpl\r"
     "Request was for 3 channel image, width: 2147483647 x height: 1"},
    {"MakeBlankIplLargerThanMemory",
     [](const QString&) {
         TExtBitmap bitmap;
         return TextOf([&] { Bitmap(bitmap, TPixelFormat::pf8bit, 4, 4).MakeBlankIPL(1 << 30, 1 << 30); });
     },
     "No memory can be allocated for ipl image in MakeBlankIpl\r"
     "Request was for 1 channel image, width: 1073741824 x height: 1073741824",
     true},
    {"PngSavedFromThirtyTwoBitPixels",
     [](const QString&) {
         TExtBitmap bitmap;
         return SavedPng(Bitmap(bitmap, TPixelFormat::pf32bit, 4, 4));
     },
     "Unsupported bitmap format"},
    {"PngSavedWithATextTooLongForOneWrite",
     [](const QString&) {
         TExtBitmap bitmap;
         MakeGreyPattern(bitmap, 4, 4);
         return SavedPng(bitmap, QString(9000, u'T'));
     },
     "Buffer override: needed 9000"},
    {"PngWrittenByLibpngWithATextTooLongForOneWrite",
     [](const QString&) {
         TExtBitmap bitmap;
         MakeGreyPattern(bitmap, 4, 4);
         TPngImage image;
         image.AssignFromBitmap(bitmap);
         image.Author = QString(9000, u'T');
         QBuffer sink;
         sink.open(QIODevice::WriteOnly);
         return TextOf([&] { image.SaveToStream(sink); });
     },
     "Buffer override: needed 9000"},
    {"PngReadWithATextTooLongForOneRead",
     [](const QString& folder) {
         const QString path = PngFile(folder, {{"Author", std::string(9000, 'T')}});
         TPngImage image;
         return TextOf([&] { image.LoadFromFile(path); });
     },
     // The chunk's data: "Author", its terminating zero and the text.
     "Buffer override: needed 9007bytes for buffer !"},
    {"PngReadFromAFileOfText",
     [](const QString& folder) {
         const QString path = folder + "/image.png";
         WriteWholeFile(path, "plain text, long enough");
         TPngImage image;
         return TextOf([&] { image.LoadFromFile(path); });
     },
     "Is not a valid PNG !"},
    {"PngPlacedBelowTheLastRowABitmapCanHave",
     [](const QString& folder) { return Placed(folder, 0, INT_MAX - 2); }, "Image too high"},
    {"PngPlacedRightOfTheLastColumnABitmapCanHave",
     [](const QString& folder) { return Placed(folder, INT_MAX - 2, 0); }, "Image too wide"},
    {"JpegSavedFromSixteenBitPixels",
     [](const QString&) {
         TExtBitmap bitmap;
         return SavedJpeg(Bitmap(bitmap, TPixelFormat::pf16bit, 8, 8));
     },
     "Error writing JPEG to file (JPEG images are made from 8- or 24-bit bitmaps only)"},
    {"JpegSavedWiderThanAJpegCanBe",
     [](const QString&) {
         TExtBitmap bitmap;
         return SavedJpeg(Bitmap(bitmap, TPixelFormat::pf8bit, 65501, 1));
     },
     "Error writing JPEG to file (Maximum supported image dimension is 65500 pixels)"},
    {"JpegSavedOntoAFullDisk",
     [](const QString&) {
         TExtBitmap bitmap;
         QFile full("/dev/full");
         if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return std::string("no /dev/full");
         return SavedJpeg(Bitmap(bitmap, TPixelFormat::pf8bit, 256, 256), full);
     },
     "Error writing JPEG to file (No space left on device)"},
};

// The row's name, for the test's description.
void PrintTo(const FixedMessage& message, std::ostream* out) {
    *out << message.name;
}

class FixedMessages : public testing::TestWithParam<FixedMessage> {};

} // namespace

TEST_P(FixedMessages, RaisedWithTheirOwnWords) {
    const FixedMessage& message = GetParam();
#ifdef __SANITIZE_ADDRESS__
    if (message.needsARealAllocator) GTEST_SKIP() << "AddressSanitizer ends a process whose allocation fails";
#endif
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(message.raise(folder.path()), message.expected);
}

INSTANTIATE_TEST_SUITE_P(RaisingCalls, FixedMessages, testing::ValuesIn(kMessages),
                         [](const testing::TestParamInfo<FixedMessage>& info) { return info.param.name; });
