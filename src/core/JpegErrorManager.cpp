#include "core/JpegErrorManager.h"

#include <cstring>

namespace pictavo {

namespace {

JpegErrorManager* managerOf(jpeg_common_struct* info) {
    // pub is the first member, so the library's pointer is ours.
    return reinterpret_cast<JpegErrorManager*>(info->err);
}

[[noreturn]] void exitWithLibraryText(jpeg_common_struct* info) {
    JpegErrorManager* manager = managerOf(info);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Silence: a damaged file decodes with warnings and the user sees its pixels;
// nothing goes to stderr.
void dropMessage(jpeg_common_struct*) {}

}  // namespace

void installJpegErrorManager(jpeg_common_struct* info, JpegErrorManager* manager) {
    info->err = jpeg_std_error(&manager->pub);
    manager->pub.error_exit = exitWithLibraryText;
    manager->pub.output_message = dropMessage;
    manager->message[0] = '\0';
}

void failJpeg(jpeg_common_struct* info, const char* text) {
    JpegErrorManager* manager = managerOf(info);
    std::strncpy(manager->message, text, sizeof manager->message - 1);
    manager->message[sizeof manager->message - 1] = '\0';
    std::longjmp(manager->jump, 1);
}

}  // namespace pictavo
