// The program's PNG and JPEG saves.
#include "ImageFiles.h"

#include "BMPExtImage.h"
#include "Branding.h"
#include "ImageFileLoading.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"

#include <thread>

Status SavePngImage(const TExtBitmap& bitmap, const QString& path, TDateTime startTime, TDateTime fileTime,
                    unsigned permissions) {
    const QString title = startTime == 0 ? QString() : FormatDateTime("yyyy-mm-dd hh:nn", startTime);
    return PublishFile(
        path,
        [&](QIODevice& sink) {
            return SaveBitmapAsPng(bitmap, sink, kMakerWebAddress, kImageDescription, kImageSoftware, title,
                                   nullptr);
        },
        fileTime, permissions);
}

Status SaveJpegImage(const TExtBitmap& bitmap, const QString& path, int quality, TDateTime fileTime,
                     unsigned permissions) {
    return PublishFile(
        path,
        [&](QIODevice& sink) { return SaveBitmapAsJpeg(bitmap, sink, quality, kMakerWebAddress, false); },
        fileTime, permissions);
}

ImageFilesSaved SavePngAndJpegImages(const TExtBitmap& bitmap, const ImageFileSaves& saves) {
    ImageFilesSaved saved;
    const auto readBack = [&](const QString& path) {
        if (saves.thumbnailSize.isValid())
            saved.thumbnail = LoadReducedImage(path, saves.thumbnailSize).value_or(QImage());
    };
    std::jthread jpeg;
    if (!saves.jpegPath.isEmpty())
        jpeg = std::jthread([&] {
            saved.jpeg =
                SaveJpegImage(bitmap, saves.jpegPath, saves.jpegQuality, saves.fileTime, saves.permissions);
            if (saved.jpeg) readBack(saves.jpegPath);
        });
    if (!saves.pngPath.isEmpty()) {
        saved.png = SavePngImage(bitmap, saves.pngPath, saves.startTime, saves.fileTime, saves.permissions);
        if (saved.png && saves.jpegPath.isEmpty()) readBack(saves.pngPath);
    }
    if (jpeg.joinable()) jpeg.join();
    return saved;
}
