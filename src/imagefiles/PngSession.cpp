// libpng structures, stream callbacks and error conversion for one PNG read or write.
#include "PngSession.h"

#include "GraphicErrors.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

constexpr size_t kMaxTransfer = 8193;

PngSession& SessionOf(png_structp png) {
    return *static_cast<PngSession*>(png_get_io_ptr(png));
}

} // namespace

PngSession::PngSession(Direction direction, QIODevice& stream) : direction_(direction), stream_(stream) {
    if (direction_ == Direction::Read) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    } else {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    }
    if (png_ == nullptr) RaiseStartFailure();
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
        Destroy();
        if (direction_ == Direction::Read) throw std::runtime_error("Failed to Create info struct");
        RaiseStartFailure();
    }
    if (direction_ == Direction::Read)
        png_set_read_fn(png_, this, ReadData);
    else
        png_set_write_fn(png_, this, WriteData, FlushNothing);
}

void PngSession::RequireTransferFits(Direction direction, std::size_t length) {
    if (length <= kMaxTransfer) return;
    const std::string needed = "Buffer override: needed " + std::to_string(length);
    throw std::runtime_error(direction == Direction::Read ? needed + "bytes for buffer !" : needed);
}

PngSession::~PngSession() {
    Destroy();
}

void PngSession::Destroy() {
    if (direction_ == Direction::Read)
        png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    else
        png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
}

void PngSession::CallAfterEachRow(std::function<void(std::uint32_t rowsDone)> rowDone) {
    rowDone_ = std::move(rowDone);
    if (direction_ == Direction::Read)
        png_set_read_status_fn(png_, RowDone);
    else
        png_set_write_status_fn(png_, RowDone);
}

void PngSession::RaiseStartFailure() const {
    if (direction_ == Direction::Read) throw EReadError("cannot start the PNG decoder");
    throw EWriteError("cannot start the PNG encoder");
}

void PngSession::RaiseFailure() {
    if (failure_) std::rethrow_exception(failure_);
    const std::string message = libpngMessage_.data();
    if (direction_ == Direction::Read) throw EReadError("damaged PNG data (" + message + ")");
    throw EWriteError("PNG encoder: " + message);
}

void PngSession::OnError(png_structp png, png_const_charp message) {
    auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
    if (session != nullptr)
        std::snprintf(session->libpngMessage_.data(), session->libpngMessage_.size(), "%s", message);
    png_longjmp(png, 1);
}

// libpng's warnings (an unknown chunk, an odd profile) never stop a read or write.
void PngSession::OnWarning(png_structp, png_const_charp) {}

void PngSession::ReadData(png_structp png, png_bytep data, size_t length) {
    PngSession& session = SessionOf(png);
    session.Capture([&] {
        RequireTransferFits(Direction::Read, length);
        const qint64 read = session.stream_.read(reinterpret_cast<char*>(data), static_cast<qint64>(length));
        if (read < 0)
            throw EReadError("cannot read the PNG data: " + session.stream_.errorString().toStdString());
        if (read != static_cast<qint64>(length)) throw EReadError("the PNG data ends early");
    });
}

void PngSession::WriteData(png_structp png, png_bytep data, size_t length) {
    PngSession& session = SessionOf(png);
    session.Capture([&] {
        RequireTransferFits(Direction::Write, length);
        if (session.stream_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(length)) !=
            static_cast<qint64>(length))
            throw EWriteError(session.stream_.errorString().toStdString());
    });
}

void PngSession::FlushNothing(png_structp) {}

void PngSession::RowDone(png_structp png, png_uint_32 row, int) {
    if (png == nullptr) return;
    PngSession& session = SessionOf(png);
    session.Capture([&] { session.rowDone_(row); });
}
