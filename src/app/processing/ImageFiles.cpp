// The program's PNG and JPEG saves.
#include "ImageFiles.h"

#include "BMPExtImage.h"
#include "Branding.h"
#include "DurableFiles.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"

void SavePngImage(const TExtBitmap& bitmap, const QString& path, TDateTime startTime, TDateTime fileTime) {
    const QString title = FormatDateTime("yyyy-mm-dd hh:nn", startTime);
    PublishFile(
        path,
        [&](const QString& temporary) {
            return SaveBitmapAsPng(bitmap, temporary, kMakerWebAddress, kImageDescription, kImageSoftware,
                                   title, nullptr);
        },
        fileTime);
}

bool SaveJpegImage(const TExtBitmap& bitmap, const QString& path, int quality, TDateTime fileTime) {
    return PublishFile(
        path,
        [&](const QString& temporary) {
            return SaveBitmapAsJpeg(bitmap, temporary, quality, kMakerWebAddress, false);
        },
        fileTime);
}
