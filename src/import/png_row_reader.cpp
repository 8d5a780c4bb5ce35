// libpng reports errors by longjmp: the two functions that call setjmp create every C++ object they
// need before it (the caller owns the rows) and call nothing between that could skip a destructor.
#include "import/png_row_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

struct Source {
    std::FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
};

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->file) {
        if (std::fread(out, 1, length, source->file) != length) {
            png_error(png, "Read Error");
        }
        return;
    }
    if (length > source->size - source->position) {
        png_error(png, "Read Error");
    }
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

struct Layout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0; // 3, or 4 with alpha
    int passes = 1;
    size_t rowBytes = 0;
};

// The header, and the transforms that make every image 8-bit RGB or RGBA.
bool ReadLayout(png_structp png, png_infop info, Layout* layout) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    // Only the transforms the image needs: 8-bit RGB, the usual print, passes through untouched.
    const png_byte colorType = png_get_color_type(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE || png_get_bit_depth(png, info) < 8 ||
        png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
    }
    if (png_get_bit_depth(png, info) == 16) {
        png_set_scale_16(png);
    }
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        layout->passes = png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    layout->width = png_get_image_width(png, info);
    layout->height = png_get_image_height(png, info);
    layout->channels = png_get_channels(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// One row of the decoded image as RGB over white.
void ToRgb(const uint8_t* in, int channels, png_uint_32 width, uint8_t* rgb) {
    if (channels == 3) {
        std::memcpy(rgb, in, static_cast<size_t>(width) * 3);
        return;
    }
    for (png_uint_32 x = 0; x < width; ++x, in += 4, rgb += 3) {
        const uint32_t a = in[3];
        for (int c = 0; c < 3; ++c) {
            rgb[c] = static_cast<uint8_t>((in[c] * a + 255u * (255u - a) + 127u) / 255u);
        }
    }
}

// The rows of a plain image straight to the sink.
bool ReadSequential(png_structp png, const Layout* layout, uint8_t* row, uint8_t* rgb, PngRowSink* sink) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    for (png_uint_32 y = 0; y < layout->height; ++y) {
        png_read_row(png, row, nullptr);
        if (layout->channels == 3) {
            sink->Row(static_cast<int32_t>(y), row);
        } else {
            ToRgb(row, layout->channels, layout->width, rgb);
            sink->Row(static_cast<int32_t>(y), rgb);
        }
    }
    return true;
}

// Every pass of an interlaced image into the whole picture.
bool ReadInterlaced(png_structp png, const Layout* layout, uint8_t* image) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    for (int pass = 0; pass < layout->passes; ++pass) {
        for (png_uint_32 y = 0; y < layout->height; ++y) {
            png_read_row(png, image + layout->rowBytes * y, nullptr);
        }
    }
    return true;
}

PngReadResult Read(Source& source, PngRowSink& sink) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) {
        return PngReadResult::kDamaged;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngReadResult::kDamaged;
    }
    png_set_read_fn(png, &source, ReadData);
    Layout layout;
    PngReadResult result = PngReadResult::kDamaged;
    std::vector<uint8_t> row;
    std::vector<uint8_t> rgb;
    if (ReadLayout(png, info, &layout) && (layout.channels == 3 || layout.channels == 4) &&
        layout.rowBytes == static_cast<size_t>(layout.width) * static_cast<size_t>(layout.channels)) {
        if (layout.width > 0x7FFFFFFF || layout.height > 0x7FFFFFFF ||
            !sink.Begin(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height))) {
            result = PngReadResult::kRefused;
        } else {
            try {
                row.resize(layout.passes > 1 ? layout.rowBytes * layout.height : layout.rowBytes);
                rgb.resize(static_cast<size_t>(layout.width) * 3);
            } catch (const std::bad_alloc&) {
                row.clear();
                result = PngReadResult::kRefused;
            }
            if (!row.empty()) {
                if (layout.passes > 1) {
                    if (ReadInterlaced(png, &layout, row.data())) {
                        for (png_uint_32 y = 0; y < layout.height; ++y) {
                            ToRgb(row.data() + layout.rowBytes * y, layout.channels, layout.width,
                                  rgb.data());
                            sink.Row(static_cast<int32_t>(y), rgb.data());
                        }
                        result = PngReadResult::kRead;
                    }
                } else if (ReadSequential(png, &layout, row.data(), rgb.data(), &sink)) {
                    result = PngReadResult::kRead;
                }
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

bool HasSignature(const uint8_t* bytes, size_t size) {
    return size >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

} // namespace

PngReadResult ReadPngRows(const std::string& path, PngRowSink& sink) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return PngReadResult::kCannotOpen;
    }
    uint8_t signature[8] = {};
    PngReadResult result = PngReadResult::kNotPng;
    if (std::fread(signature, 1, 8, file) == 8 && HasSignature(signature, 8)) {
        std::rewind(file);
        Source source;
        source.file = file;
        result = Read(source, sink);
    }
    std::fclose(file);
    return result;
}

PngReadResult ReadPngRows(const uint8_t* data, size_t size, PngRowSink& sink) {
    if (!data || !HasSignature(data, size)) {
        return PngReadResult::kNotPng;
    }
    Source source;
    source.data = data;
    source.size = size;
    return Read(source, sink);
}

} // namespace ts
