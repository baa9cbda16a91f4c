#pragma once

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace pictavo {

// libjpeg's error handler for our codec. libjpeg reports a fatal error by
// calling error_exit, which must not return: ours formats the library's text
// into `message` and longjmps to `jump`. Only plain C-style functions whose
// frames hold trivially destructible objects call setjmp(jump), so the jump
// never skips a destructor; the C++ caller turns the failure into an exception.
// Warnings are counted by libjpeg and never printed.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Installs `manager` as the error handler of `info` (before jpeg_create_*).
void installJpegErrorManager(jpeg_common_struct* info, JpegErrorManager* manager);

// Fails the current operation with our own text, as error_exit does with
// libjpeg's: copies `text` into the message and longjmps. Only call it from
// inside libjpeg callbacks or setjmp frames.
[[noreturn]] void failJpeg(jpeg_common_struct* info, const char* text);

}  // namespace pictavo
