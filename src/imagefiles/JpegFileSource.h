// A JPEG file opened for decoding: the file, libjpeg's decompression object reading from it, and its header.
#pragma once

#include "JpegSession.h"

#include <QString>
#include <cstdio>
#include <memory>

class JpegFileSource {
public:
    // False when the file cannot be opened or its header cannot be read.
    bool Open(const QString& fileName);

    jpeg_decompress_struct& Info() { return jpeg_.info; }
    JpegErrorManager& Errors() { return jpeg_.errors; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    // Declared before the decompression object, which reads from it until it is destroyed.
    std::unique_ptr<std::FILE, FileCloser> file_;
    JpegDecompression jpeg_;
};
