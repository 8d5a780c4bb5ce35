// Compositing reads of a buffer while some of its rows are held newer elsewhere (a stroke's row
// windows): they see the held bytes without having the rows stored, so a refresh in the middle of a
// stroke neither waits for the stores nor sees old pixels.

#include "raster/rl_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

rowcodec::SpanInfo RLBuffer::ReadHeld(int32_t row, size_t from, size_t to, uint8_t* dest, uint8_t background,
                                      bool contentOnly, bool content) const {
    const size_t n = to - from;
    const bool inside = IsCreated() && row >= 0 && row < m_height;
    size_t heldFrom = 0;
    size_t heldTo = 0;
    const uint8_t* newer = inside ? RowsHeld()->Held(*this, row, heldFrom, heldTo) : nullptr;
    heldFrom = std::max(heldFrom, from);
    heldTo = std::min(heldTo, to);
    // The merged span's bytes, for a row whose held bytes reach into it.
    thread_local std::vector<uint8_t> merged;
    if (newer && heldFrom < heldTo && merged.size() < n) {
        try {
            merged.resize(n);
        } catch (const std::bad_alloc&) {
            newer = nullptr; // without room the stored row is shown; it is stored soon
        }
    }
    rowcodec::SpanInfo info;
    if (!newer || heldFrom >= heldTo) {
        if (content && inside &&
            rowcodec::DecodeContent(StoredEncoding(row), StoredAvailable(row), RawRowLength(), from, to,
                                    background, dest, info.first, info.last)) {
            return info;
        }
        if (!content && inside &&
            rowcodec::DecodeSpan(StoredEncoding(row), StoredAvailable(row), RawRowLength(), from, to,
                                 background, dest, contentOnly, info)) {
            return info;
        }
        if (dest) {
            std::memset(dest, 0, n);
        }
        return rowcodec::SpanInfo{true, 0, 0, background == 0 ? 0 : n};
    }
    uint8_t* bytes = merged.data();
    if (!rowcodec::DecodeSpan(StoredEncoding(row), StoredAvailable(row), RawRowLength(), from, to, background,
                              bytes, false, info)) {
        std::memset(bytes, 0, n);
    }
    std::memcpy(bytes + (heldFrom - from), newer + heldFrom, heldTo - heldFrom);
    // What the decoder tells of a span: its first byte, whether all are that one, and the stretch
    // from the first to the last byte that is not the background.
    info.value = bytes[0];
    info.uniform = std::all_of(bytes, bytes + n, [&](uint8_t b) { return b == bytes[0]; });
    const uint8_t* first = std::find_if(bytes, bytes + n, [&](uint8_t b) { return b != background; });
    if (first == bytes + n) {
        info.first = 0;
        info.last = 0;
    } else {
        const uint8_t* last = bytes + n;
        while (last[-1] == background) {
            --last;
        }
        info.first = static_cast<size_t>(first - bytes);
        info.last = static_cast<size_t>(last - bytes);
    }
    if (dest) {
        if (contentOnly) {
            std::memcpy(dest + info.first, bytes + info.first, info.last - info.first);
        } else {
            std::memcpy(dest, bytes, n);
        }
    }
    return info;
}

} // namespace ts
