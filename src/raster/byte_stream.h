#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// Growing little-endian byte sink for the program's binary formats (buffer blocks, drawing streams).
class ByteWriter {
public:
    void PutU32(uint32_t value);
    void PutI32(int32_t value) { PutU32(static_cast<uint32_t>(value)); }
    void PutU16(uint16_t value);
    void PutBytes(const void* data, size_t size);
    // Room for this many bytes in all, so that a writer of known size need not grow; false (nothing
    // changes) when the memory cannot be had.
    bool Reserve(size_t size);

    size_t Size() const { return m_data.size(); }
    const std::vector<uint8_t>& Data() const { return m_data; }
    std::vector<uint8_t> Take() { return std::move(m_data); }

private:
    std::vector<uint8_t> m_data;
};

// Bounded little-endian reader over bytes that came from outside. Every read checks the bytes left;
// a failed read leaves the position where it was.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : m_data(bytes.data()), m_size(bytes.size()) {}

    bool GetU32(uint32_t& value);
    bool GetI32(int32_t& value);
    bool GetU16(uint16_t& value);
    bool GetBytes(void* out, size_t size);
    // Returns a pointer to the next size bytes and steps over them, or null when fewer are left.
    const uint8_t* Take(size_t size);

    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_size - m_pos; }
    size_t Size() const { return m_size; }
    // Moves to an absolute position; false (and no move) beyond the end.
    bool Seek(size_t position);

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace ts
