// Grey rows made a bitmap's pixels.
#include "AbiBitmap.h"

#include "BMPExtImage.h"
#include "NetCDFGoesAbi.h"

#include <QImage>

namespace {

void ReleaseBlock(void* block) {
    delete static_cast<PixelBlock*>(block);
}

} // namespace

Status AdoptGreyRows(TExtBitmap& bitmap, GreyRows rows) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit)
        return Failure{FailureCode::ReaderFailed, QStringLiteral("the reader fills only 8-bit images")};
    PixelBlock* block = rows.block.get();
    QImage image(block->Data(), rows.width, rows.height, static_cast<qsizetype>(rows.rowBytes),
                 QImage::Format_Indexed8, ReleaseBlock, block);
    if (image.isNull())
        return Failure{FailureCode::OutOfMemory,
                       QStringLiteral("out of memory (%1 × %2 image)").arg(rows.width).arg(rows.height)};
    (void)rows.block.release();
    bitmap.SetGreyPalette();
    bitmap.AdoptImage(std::move(image));
    return {};
}

Status ReadAbiImage(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                    std::optional<AbiGeolocation>* geolocation) {
    GreyRows rows;
    AbiCompleteness completeness;
    if (Status read = ReadAbiGreyRows(request, rows, longitude, completeness, HeapPixelBlock, geolocation);
        !read)
        return read;
    return AdoptGreyRows(bitmap, std::move(rows));
}
