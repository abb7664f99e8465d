// Opening a JPEG file and reading its header.
#include "JpegFileSource.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Every coded unit of a JPEG (at most 32 × 32 pixels) takes at least one bit of the file, so a header that
// declares more units than the file has bits describes an image the file cannot hold; it is refused before
// any room is taken for its pixels.
bool FileCanHoldImage(const jpeg_decompress_struct& info, qint64 fileBytes) {
    constexpr std::uint64_t kLargestUnitSide = 32;
    const std::uint64_t units =
        (std::uint64_t{info.image_width} + kLargestUnitSide - 1) / kLargestUnitSide *
        ((std::uint64_t{info.image_height} + kLargestUnitSide - 1) / kLargestUnitSide);
    return units <= static_cast<std::uint64_t>(fileBytes) * 8;
}

} // namespace

bool JpegFileSource::Open(const QString& fileName) {
    file_.reset(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file_) return false;
    jpeg_decompress_struct& info = jpeg_.info;
    std::FILE* file = file_.get();
    return RunGuarded(jpeg_.errors,
                      [&] {
                          jpeg_create_decompress(&info);
                          jpeg_stdio_src(&info, file);
                          jpeg_read_header(&info, TRUE);
                      }) &&
           FileCanHoldImage(info, QFileInfo(fileName).size());
}
