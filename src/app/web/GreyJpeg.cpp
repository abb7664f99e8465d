// Encoding a grey picture as JPEG into memory.
#include "GreyJpeg.h"

#include "BMPExtImage.h"
#include "ImageFileLoading.h"
#include "JPEG_IO.h"

#include <QBuffer>

Result<QByteArray> EncodeGreyJpeg(const QImage& grey, int quality) {
    const QImage indexed = IndexedGrey(grey.convertToFormat(QImage::Format_Grayscale8));
    if (indexed.isNull()) return Failure{FailureCode::OutOfMemory, "no memory for a picture of the web page"};
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.AdoptImage(indexed);
    QByteArray jpeg;
    QBuffer sink(&jpeg);
    if (!sink.open(QIODevice::WriteOnly)) return Failure{FailureCode::CannotWrite, sink.errorString()};
    if (Status saved = SaveBitmapAsJpeg(bitmap, sink, quality, QString(), true); !saved)
        return saved.failure();
    return jpeg;
}
