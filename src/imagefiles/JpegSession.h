// libjpeg codec objects owned by RAII whose errors end one guarded step with false instead of ending the
// process.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

// libjpeg's error handler for one codec object. A fatal error, and a warning that image data is missing (the
// data ends early), jump back into the RunGuarded call that is running; other warnings are only counted.
struct JpegErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg hands its address back to the callbacks
    std::jmp_buf jump;
    // libjpeg's text for the message that ended the last guarded step.
    char message[JMSG_LENGTH_MAX] = {};

    // The handler to store in the codec object's `err` before jpeg_create_*.
    jpeg_error_mgr* Install();
};

// Runs `step`, a sequence of libjpeg calls on the object that `errors` serves, and returns false when libjpeg
// reported an error inside it. The error handler leaves the step by longjmp, so the step must not own objects
// with destructors; it works on objects that live outside it.
template <typename Step> bool RunGuarded(JpegErrorManager& errors, Step&& step) {
    if (setjmp(errors.jump) != 0) return false;
    step();
    return true;
}

// A libjpeg compression or decompression object (jpeg_compress_struct or jpeg_decompress_struct) with its
// error handler. jpeg_create_* is left to the first guarded step, as it can fail; destroying is safe either
// way.
template <typename Info> struct JpegObject {
    JpegErrorManager errors;
    Info info{};

    JpegObject() { info.err = errors.Install(); }
    ~JpegObject() { jpeg_destroy(reinterpret_cast<j_common_ptr>(&info)); }
    JpegObject(const JpegObject&) = delete;
    JpegObject& operator=(const JpegObject&) = delete;
};

using JpegCompression = JpegObject<jpeg_compress_struct>;
using JpegDecompression = JpegObject<jpeg_decompress_struct>;
