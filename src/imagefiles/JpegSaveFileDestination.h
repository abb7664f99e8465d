// libjpeg destination that streams the compressed data into a QSaveFile, so that a failed write leaves no
// file.
#pragma once

#include <QSaveFile>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

class JpegSaveFileDestination {
public:
    // `file` must be open for writing and outlive the compression.
    explicit JpegSaveFileDestination(QSaveFile& file);
    JpegSaveFileDestination(const JpegSaveFileDestination&) = delete;
    JpegSaveFileDestination& operator=(const JpegSaveFileDestination&) = delete;

    // Makes this the destination of `info` (after jpeg_create_compress). A failed write is a libjpeg error.
    void Attach(jpeg_compress_struct& info);

private:
    static JpegSaveFileDestination& Of(j_compress_ptr info);
    static void Start(j_compress_ptr info);
    static boolean WriteFullBuffer(j_compress_ptr info);
    static void WriteRest(j_compress_ptr info);
    void Write(j_compress_ptr info, std::size_t bytes);

    jpeg_destination_mgr manager_{};
    QSaveFile& file_;
    std::vector<JOCTET> buffer_;
};
