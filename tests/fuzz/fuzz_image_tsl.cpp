// Feeds arbitrary bytes to the picture ".tsl" reader (the splash backdrops): a refused file leaves the
// image as it was, an accepted one is a 24-bit image no larger than the file's record allows.

#include "files/tsl_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ts::Image24 image;
    image.Create(2, 2);
    if (!ts::CTslFile::ParseImageTsl(data, size, image)) {
        if (image.Width() != 2 || image.Height() != 2) {
            __builtin_trap();
        }
        return 0;
    }
    if (image.Width() < 1 || image.Height() < 1 ||
        image.Pixels().size() != static_cast<size_t>(image.Stride()) * static_cast<size_t>(image.Height())) {
        __builtin_trap();
    }
    return 0;
}
