// Opening a JPEG file and reading its header.
#include "JpegFileSource.h"

#include <QFile>

bool JpegFileSource::Open(const QString& fileName) {
    file_.reset(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file_) return false;
    jpeg_decompress_struct& info = jpeg_.info;
    std::FILE* file = file_.get();
    return RunGuarded(jpeg_.errors, [&] {
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
    });
}
