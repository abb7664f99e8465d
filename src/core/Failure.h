// How the processing chain fails, in one convention from the source folder to the published image.
//
// Every step that can fail (listing, size, copy, read, conversion, save, delete) returns a Result<T> or a
// Status: its value, or a Failure. A Failure carries a FailureCode, for the code and the tests to act on, and
// a short message for the operator, worded to stand after "<file name> failed: " ("cannot write
// /img/x.png: No space left on device"). No step throws across its interface and none answers a bare false;
// a C library's own error model stays inside the class that wraps it. Loaders used only for showing images
// (thumbnails, the viewer) keep their bool: there an unreadable image simply shows nothing.
//
// Two layers below the chain throw instead: the raster (TExtBitmap) and the PNG codec
// (PngSession, TPngImage, the PNG writer) raise the exceptions of GraphicErrors.h, or std::bad_alloc and
// other std::exceptions, with messages worded as Failure messages are ("cannot read /img/x.png: Permission
// denied", "damaged PNG data (IHDR: CRC error)") or with the fixed texts of their refusals ("Is not a valid
// PNG !", "Unsupported bitmap format", "Error: Interpolate called without 8-bit or 24-bit pixels."). The
// JPEG codec throws nothing but std::bad_alloc; its save fails with "Error writing JPEG to file (reason)".
// They are caught where the codec's operations end, so that nothing above sees them:
// - SaveBitmapAsPng (PNG_IO.cpp) turns them into a Status: OutOfMemory for std::bad_alloc, CannotWrite with
//   the message for the rest;
// - LoadPngIntoBitmap (PNG_IO.cpp) and ReadReducedPng (ReducedImageReading.cpp) turn them into false and an
//   empty result, as loaders for showing images.
// Only the thumbnail and viewer reductions (LoadReducedImage, ImageScrollBox) catch the raster's refusals
// further up, for a picture that cannot be reduced to their size; the chain's own calls meet the raster's
// conditions first.
#pragma once

#include <QString>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <variant>

enum class FailureCode {
    // The received file itself.
    FileVanished,      // gone since it was listed
    NotRegularFile,    // a folder, pipe or device matching the mask
    SymbolicLink,      // never followed
    CannotRead,        // no permission to read it
    TooSmall,          // under the smallest size a radiance file can have
    TooLarge,          // over the largest size a radiance file can have
    NotAbiFileName,    // the name does not decode
    OtherSatellite,    // a file of a satellite other than the selected one
    StillBeingWritten, // modified moments ago, or while it settled
    // Its content, as the reader finds it.
    NotNetCdf,
    DamagedNetCdf,
    NoRadianceVariable,
    RadianceDataMissing, // declared but not (all) present in the file
    CalibrationMissing,  // fill value, scale or offset missing or unusable
    ImageTooLarge,       // a declared side beyond what any ABI image has
    OutOfMemory,
    GeolocationMissing, // no usable projection and coordinates, which a GeoTIFF needs
    // The reader's own process.
    ReaderCrashed,
    ReaderTimedOut,
    ReaderFailed, // could not be started or gave no answer
    // Folders and outputs.
    FolderNotSet,
    CannotCreateFolder,
    SourceIsArchive,
    CannotCopy,
    CannotWrite,
    CannotDelete,
    NoFormatSelected,
    // The program's own instance.
    AlreadyRunning, // another process runs the same instance name
    CannotLock,     // the instance's lock file cannot be made or locked
    // The settings store.
    SettingsDamaged, // a settings file that is not one, or too large to be one
};

struct Failure {
    FailureCode code;
    QString message;
};

// A failure of a system call: what + ": " + the system's text for errno value `error`.
inline Failure SystemFailure(FailureCode code, const QString& what, int error = errno) {
    return {code, what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error))};
}

// The outcome of a step that gives nothing but success or its failure.
class [[nodiscard]] Status {
public:
    Status() = default; // success
    Status(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    // Only when !ok().
    const Failure& failure() const { return *failure_; }

private:
    std::optional<Failure> failure_;
};

// The outcome of a step that gives a value: the value, or why there is none.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only when !ok().
    const Failure& failure() const { return std::get<1>(state_); }
    // The failure alone, for passing it up as a Status.
    Status status() const { return ok() ? Status() : Status(failure()); }

private:
    std::variant<T, Failure> state_;
};
