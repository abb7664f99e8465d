// Buffered libjpeg destination over QSaveFile.
#include "JpegSaveFileDestination.h"

#include <jerror.h>

namespace {

// Large enough that the file receives few big writes, small enough to stay in cache.
constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

JpegSaveFileDestination::JpegSaveFileDestination(QSaveFile& file) : file_(file), buffer_(kBufferBytes) {
    manager_.init_destination = Start;
    manager_.empty_output_buffer = WriteFullBuffer;
    manager_.term_destination = WriteRest;
}

void JpegSaveFileDestination::Attach(jpeg_compress_struct& info) {
    info.client_data = this;
    info.dest = &manager_;
}

JpegSaveFileDestination& JpegSaveFileDestination::Of(j_compress_ptr info) {
    return *static_cast<JpegSaveFileDestination*>(info->client_data);
}

void JpegSaveFileDestination::Start(j_compress_ptr info) {
    JpegSaveFileDestination& self = Of(info);
    self.manager_.next_output_byte = self.buffer_.data();
    self.manager_.free_in_buffer = self.buffer_.size();
}

boolean JpegSaveFileDestination::WriteFullBuffer(j_compress_ptr info) {
    JpegSaveFileDestination& self = Of(info);
    self.Write(info, self.buffer_.size());
    Start(info);
    return TRUE;
}

void JpegSaveFileDestination::WriteRest(j_compress_ptr info) {
    JpegSaveFileDestination& self = Of(info);
    self.Write(info, self.buffer_.size() - self.manager_.free_in_buffer);
}

void JpegSaveFileDestination::Write(j_compress_ptr info, std::size_t bytes) {
    const auto size = static_cast<qint64>(bytes);
    if (file_.write(reinterpret_cast<const char*>(buffer_.data()), size) != size)
        ERREXIT(info, JERR_FILE_WRITE);
}
