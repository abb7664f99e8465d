// libjpeg destination that streams the compressed data into a QIODevice, in large buffered writes.
#pragma once

#include <QIODevice>
#include <jpeglib.h>
#include <vector>

class JpegStreamDestination {
public:
    // `stream` must be open for writing and outlive the compression.
    explicit JpegStreamDestination(QIODevice& stream);
    JpegStreamDestination(const JpegStreamDestination&) = delete;
    JpegStreamDestination& operator=(const JpegStreamDestination&) = delete;

    // Makes this the destination of `info` (after jpeg_create_compress). A write the stream refuses is a
    // libjpeg error.
    void Attach(jpeg_compress_struct& info);

    // Whether the stream refused a write; its errorString() then says why.
    bool WriteFailed() const { return writeFailed_; }

private:
    static JpegStreamDestination& Of(j_compress_ptr info);
    static void Start(j_compress_ptr info);
    static boolean WriteFullBuffer(j_compress_ptr info);
    static void WriteRest(j_compress_ptr info);
    void Write(j_compress_ptr info, std::size_t bytes);

    jpeg_destination_mgr manager_{};
    QIODevice& stream_;
    std::vector<JOCTET> buffer_;
    bool writeFailed_ = false;
};
