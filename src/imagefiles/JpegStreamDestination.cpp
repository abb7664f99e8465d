// Buffered libjpeg destination over a QIODevice.
#include "JpegStreamDestination.h"

#include <jerror.h>

namespace {

// Large enough that the file receives few big writes, small enough to stay in cache.
constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

JpegStreamDestination::JpegStreamDestination(QIODevice& stream) : stream_(stream), buffer_(kBufferBytes) {
    manager_.init_destination = Start;
    manager_.empty_output_buffer = WriteFullBuffer;
    manager_.term_destination = WriteRest;
}

void JpegStreamDestination::Attach(jpeg_compress_struct& info) {
    info.client_data = this;
    info.dest = &manager_;
}

JpegStreamDestination& JpegStreamDestination::Of(j_compress_ptr info) {
    return *static_cast<JpegStreamDestination*>(info->client_data);
}

void JpegStreamDestination::Start(j_compress_ptr info) {
    JpegStreamDestination& self = Of(info);
    self.manager_.next_output_byte = self.buffer_.data();
    self.manager_.free_in_buffer = self.buffer_.size();
}

boolean JpegStreamDestination::WriteFullBuffer(j_compress_ptr info) {
    JpegStreamDestination& self = Of(info);
    self.Write(info, self.buffer_.size());
    Start(info);
    return TRUE;
}

void JpegStreamDestination::WriteRest(j_compress_ptr info) {
    JpegStreamDestination& self = Of(info);
    self.Write(info, self.buffer_.size() - self.manager_.free_in_buffer);
}

void JpegStreamDestination::Write(j_compress_ptr info, std::size_t bytes) {
    const auto size = static_cast<qint64>(bytes);
    if (stream_.write(reinterpret_cast<const char*>(buffer_.data()), size) == size) return;
    writeFailed_ = true;
    ERREXIT(info, JERR_FILE_WRITE);
}
