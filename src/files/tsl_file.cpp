#include "files/tsl_file.h"

#include "raster/byte_stream.h"

#include <cerrno>
#include <cstring>
#include <exception>

namespace ts {

namespace {

// A picture may not ask for more memory than this, nor for more than its stored bytes could fill as a
// picture of one byte per pixel (three times them, with room for row padding).
constexpr int64_t kMaxImageBytes = int64_t{1} << 30;
constexpr int64_t ImageRoomFor(int64_t count) {
    return 4 * count + 0x10000;
}

} // namespace

std::string CTslFile::FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CTslFile::Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string CTslFile::DialogFolder(const std::string& path) {
    std::string folder = Folder(path);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string CTslFile::Extension(const std::string& path) {
    const std::string name = FileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

CTslFile::Kind CTslFile::KindOf(const std::string& path) {
    const std::string ext = Extension(path);
    if (ext == ".tsl" || ext == ".TSL" || ext == ".Tsl") {
        return Kind::kLegacy;
    }
    if (ext == ".png" || ext == ".PNG" || ext == ".Png") {
        return Kind::kDrawingPng;
    }
    return Kind::kOther;
}

std::string CTslFile::ForceExtension(const std::string& name) {
    const size_t start = name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1;
    const size_t last = name.rfind('.');
    if (last == std::string::npos || last < start) {
        return name + ".ts.png";
    }
    const size_t previous = last > start ? name.rfind('.', last - 1) : std::string::npos;
    const size_t keep = previous == std::string::npos || previous < start ? last : previous;
    return name.substr(0, keep + 1) + "ts.png";
}

std::FILE* CTslFile::OpenForReading(const std::string& path, int& error) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    error = file ? 0 : (errno ? errno : ENOENT);
    return file;
}

bool CTslFile::ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, int& error,
                         uint64_t maxBytes) {
    std::FILE* file = OpenForReading(path, error);
    if (!file) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (!ok) {
        error = errno ? errno : EIO;
    } else if (static_cast<uint64_t>(size) > maxBytes) {
        error = EFBIG;
        ok = false;
    } else {
        try {
            bytes.resize(static_cast<size_t>(size));
        } catch (const std::exception&) {
            error = ENOMEM;
            ok = false;
        }
        if (ok && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            error = errno ? errno : EIO;
            ok = false;
        }
    }
    std::fclose(file);
    return ok;
}

bool CTslFile::ParseImageTsl(const uint8_t* bytes, size_t size, Image24& image) {
    ByteReader in(bytes, size);
    int32_t fields[8];
    for (int32_t& v : fields) {
        if (!in.GetI32(v)) {
            return false;
        }
    }
    if (fields[1] != 0 || fields[7] == 0) {
        return false;
    }
    int32_t record[6];
    for (int32_t& v : record) {
        if (!in.GetI32(v)) {
            return false;
        }
    }
    const int32_t width = record[0];
    const int32_t height = record[1];
    const int32_t count = record[5];
    if (width < 1 || height < 1) {
        return false;
    }
    // Whatever bytes per pixel the record names, its bytes fill a 24-bit image of its size.
    const int64_t stride = Image24::StrideFor(width);
    if (height > kMaxImageBytes / stride) {
        return false;
    }
    const int64_t imageBytes = stride * height;
    if (count < 0 || count > imageBytes || imageBytes > ImageRoomFor(count) ||
        static_cast<size_t>(count) > in.Remaining()) {
        return false;
    }
    Image24 picture;
    if (!picture.Create(width, height)) {
        return false;
    }
    std::memcpy(picture.Pixels().data(), in.Take(static_cast<size_t>(count)), static_cast<size_t>(count));
    const auto rowBytes = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        std::memset(picture.Row(y) + rowBytes, 0, static_cast<size_t>(picture.Stride()) - rowBytes);
    }
    image = std::move(picture);
    return true;
}

bool CTslFile::ReadImageTsl(const std::string& path, Image24& image) {
    std::vector<uint8_t> bytes;
    int error = 0;
    return ReadWhole(path, bytes, error) && ParseImageTsl(bytes.data(), bytes.size(), image);
}

} // namespace ts
