// The program's two PNG operations over TPngImage.
#include "PNG_IO.h"

#include "BMPExtImage.h"
#include "PngWriter.h"

#include <QFileInfo>
#include <new>

namespace {

// Within 2 % of the size zlib gives at level 4, in less than half its time.
constexpr int kDeflateLevel = 4;

} // namespace

Status SaveBitmapAsPng(const TExtBitmap& bitmap, QIODevice& sink, const QString& author,
                       const QString& description, const QString& software, const QString& title,
                       const TProgressEvent& onProgress) {
    try {
        TPngImage image;
        image.ShareRowsOf(bitmap);
        image.Author = author;
        image.Description = description;
        image.Software = software;
        image.Title = title;
        image.OnProgress = onProgress;
        WritePngDatastream(image, sink, kDeflateLevel);
        return {};
    } catch (const std::bad_alloc&) {
        return Failure{FailureCode::OutOfMemory, QStringLiteral("not enough memory to encode the PNG image")};
    } catch (const std::exception& error) {
        return Failure{FailureCode::CannotWrite, QString::fromUtf8(error.what())};
    }
}

bool LoadPngIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool forceColor, bool keepSize,
                       const TLoadProgress& progress) {
    if (!QFileInfo(fileName).isFile()) return false;
    try {
        TPngImage image;
        image.ForceColor = forceColor;
        if (progress)
            image.OnProgress = [&progress](TPngImage&, TProgressStage, std::uint8_t percent, bool,
                                           const QRect&, const QString&) { progress(percent); };
        image.LoadFromFile(fileName);
        if (!keepSize) {
            bitmap.SetHeight(0);
            bitmap.SetWidth(0);
        }
        image.CopyToBitmap(bitmap, 0, 0);
        return true;
    } catch (...) {
        return false;
    }
}
