// Helpers of the JPEG tests: bitmaps with known pixels, a reader of a JPEG file's segments, a four-component
// JPEG.
#pragma once

#include "BMPExtImage.h"
#include "Failure.h"
#include "TestFiles.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// A smooth grey pattern, so that lossy coding stays close; rows and columns differ, so misplaced rows show.
std::uint8_t GreyPattern(int x, int y);
void FillGrey(TExtBitmap& bitmap, int width, int height);

// 24-bit: the left half pure blue, the right half pure red.
void FillBlueAndRed(TExtBitmap& bitmap, int width, int height);

// The largest difference between the bitmap's grey levels and GreyPattern, and the mean one.
struct GreyDeviation {
    int largest = 0;
    double mean = 0;
};
GreyDeviation CompareWithGreyPattern(const TExtBitmap& bitmap);

struct JpegComponent {
    int id = 0;
    int horizontalSampling = 0;
    int verticalSampling = 0;
};

// What the segments of a JPEG file say, read byte by byte without libjpeg.
struct JpegSegments {
    bool startsWithSoi = false;
    bool endsWithEoi = false;
    std::vector<int> markers; // every marker code from SOI up to SOS, in file order
    std::vector<QByteArray> comments;
    int frameMarker = 0; // the SOFn code
    int width = 0;
    int height = 0;
    std::vector<JpegComponent> components;
    std::vector<int> quantTableSums; // per quantisation table, the sum of its 64 values
};
// SaveBitmapAsJpeg into a new file; a file that cannot be created fails with no system reason.
Status SaveJpegFile(const TExtBitmap& bitmap, const QString& path, int quality, const QString& comment,
                    bool greyAsOneChannel);

JpegSegments ReadJpegSegments(const QByteArray& file);

// A JPEG of one flat colour stored as four components (CMYK without the Adobe inversion), quality 100.
QByteArray FourComponentJpeg(int width, int height, std::array<std::uint8_t, 4> samples);
