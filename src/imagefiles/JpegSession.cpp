// libjpeg error handling that returns to the caller instead of printing and calling exit().
#include "JpegSession.h"

#include <jerror.h>

namespace {

JpegErrorManager& ManagerOf(j_common_ptr info) {
    return *reinterpret_cast<JpegErrorManager*>(info->err);
}

[[noreturn]] void JumpBack(j_common_ptr info) {
    JpegErrorManager& manager = ManagerOf(info);
    manager.pub.format_message(info, manager.message);
    std::longjmp(manager.jump, 1);
}

// A truncated stream makes libjpeg pad the image with grey and carry on; such an image is not the file's.
bool MeansMissingData(int messageCode) {
    return messageCode == JWRN_JPEG_EOF || messageCode == JWRN_HIT_MARKER;
}

void HandleMessage(j_common_ptr info, int level) {
    if (level >= 0) return; // trace messages
    if (MeansMissingData(info->err->msg_code)) JumpBack(info);
    ++info->err->num_warnings;
}

void DiscardOutput(j_common_ptr) {}

} // namespace

jpeg_error_mgr* JpegErrorManager::Install() {
    jpeg_std_error(&pub);
    pub.error_exit = JumpBack;
    pub.emit_message = HandleMessage;
    pub.output_message = DiscardOutput;
    return &pub;
}
