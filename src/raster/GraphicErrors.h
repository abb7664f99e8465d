// Exception classes raised by the raster and image-file code; their messages are shown to the operator as
// they stand.
#pragma once

#include <stdexcept>

// An operation that the bitmap's pixel format or the requested size does not allow.
class EInvalidGraphicOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An image file that could not be written.
class EWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An image stream that ended early or could not be read.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
