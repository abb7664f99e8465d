// One libpng read or write: owns the libpng structures, feeds them from a QIODevice through callbacks, and
// turns libpng's errors (which longjmp) into C++ exceptions raised only after libpng's frames are left.
#pragma once

#include <QIODevice>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <png.h>

class PngSession {
public:
    enum class Direction { Read, Write };

    // Raises when libpng cannot create its structures: "Failed to Create info struct" when a read has no info
    // structure.
    PngSession(Direction direction, QIODevice& stream);
    ~PngSession();
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;

    png_structp Png() const { return png_; }
    png_infop Info() const { return info_; }

    // Runs libpng calls. An error raised inside them by libpng or by a callback is rethrown here once libpng
    // has been left. The steps must only call libpng and must not own objects with destructors, because an
    // error skips their frame.
    template <class Steps> void Run(Steps&& steps) {
        if (!RunGuarded(png_, steps)) RaiseFailure();
    }

    // Refuses a single transfer between libpng and the stream of more than 8193 bytes (libpng moves image
    // data in pieces of 8192).
    static void RequireTransferFits(Direction direction, std::size_t length);

    // Calls `rowDone` after each row libpng reads or writes, with the number of rows done in the current
    // pass. An exception it throws ends the read or write and comes out of Run.
    void CallAfterEachRow(std::function<void(std::uint32_t rowsDone)> rowDone);

private:
    template <class Steps> static bool RunGuarded(png_structp png, Steps& steps) {
        if (setjmp(png_jmpbuf(png))) return false;
        steps();
        return true;
    }
    [[noreturn]] void RaiseStartFailure() const;
    [[noreturn]] void RaiseFailure();
    void Destroy();

    // Runs work from inside a libpng callback; an exception it throws is kept and reported to libpng as an
    // error, which unwinds to Run.
    template <class Work> void Capture(Work&& work) noexcept {
        try {
            work();
            return;
        } catch (...) {
            failure_ = std::current_exception();
        }
        png_error(png_, "callback failed");
    }

    static void OnError(png_structp png, png_const_charp message);
    static void OnWarning(png_structp png, png_const_charp message);
    static void ReadData(png_structp png, png_bytep data, size_t length);
    static void WriteData(png_structp png, png_bytep data, size_t length);
    static void FlushNothing(png_structp png);
    static void RowDone(png_structp png, png_uint_32 row, int pass);

    Direction direction_;
    QIODevice& stream_;
    std::function<void(std::uint32_t)> rowDone_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    std::exception_ptr failure_;
    std::array<char, 200> libpngMessage_{};
};
