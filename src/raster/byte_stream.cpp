#include "raster/byte_stream.h"

#include <cstring>
#include <exception>

namespace ts {

void ByteWriter::PutU32(uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    m_data.insert(m_data.end(), bytes, bytes + 4);
}

void ByteWriter::PutU16(uint16_t value) {
    m_data.push_back(static_cast<uint8_t>(value));
    m_data.push_back(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::PutBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_data.insert(m_data.end(), bytes, bytes + size);
}

bool ByteWriter::Reserve(size_t size) {
    try {
        m_data.reserve(size);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool ByteReader::GetU32(uint32_t& value) {
    const uint8_t* p = Take(4);
    if (!p) {
        return false;
    }
    value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
            static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return true;
}

bool ByteReader::GetI32(int32_t& value) {
    uint32_t u = 0;
    if (!GetU32(u)) {
        return false;
    }
    value = static_cast<int32_t>(u);
    return true;
}

bool ByteReader::GetU16(uint16_t& value) {
    const uint8_t* p = Take(2);
    if (!p) {
        return false;
    }
    value = static_cast<uint16_t>(p[0] | p[1] << 8);
    return true;
}

bool ByteReader::GetBytes(void* out, size_t size) {
    const uint8_t* p = Take(size);
    if (!p) {
        return false;
    }
    if (size > 0) {
        std::memcpy(out, p, size);
    }
    return true;
}

const uint8_t* ByteReader::Take(size_t size) {
    if (size > m_size - m_pos) {
        return nullptr;
    }
    const uint8_t* p = m_data + m_pos;
    m_pos += size;
    return p;
}

bool ByteReader::Seek(size_t position) {
    if (position > m_size) {
        return false;
    }
    m_pos = position;
    return true;
}

} // namespace ts
