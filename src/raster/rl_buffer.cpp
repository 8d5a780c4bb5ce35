#include "raster/rl_buffer.h"

#include "raster/row_codec.h"
#include "raster/row_map.h"
#include "raster/row_splice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr int32_t kBlockHeaderInts = 6;
// Extra room a loaded pool gets beyond its stored rows, so that the first edits need not regrow it.
constexpr size_t kLoadSlack = 1024;

} // namespace

RLBuffer::~RLBuffer() = default;

bool RLBuffer::SizeIsValid(int64_t width, int64_t height, int64_t bytesPerPixel) {
    if (width <= 0 || height <= 0 || height > kMaxHeight || bytesPerPixel < 1 || bytesPerPixel > 4) {
        return false;
    }
    const uint64_t raw = static_cast<uint64_t>(width) * static_cast<uint64_t>(bytesPerPixel);
    if (raw > rowcodec::kMaxEncodedLength || !rowcodec::RawLengthFits(raw)) {
        return false;
    }
    return raw * static_cast<uint64_t>(height) <= kMaxRawBytes;
}

bool RLBuffer::Create(int32_t width, int32_t height, int32_t bytesPerPixel, uint8_t fill, float poolFactor) {
    if (!SizeIsValid(width, height, bytesPerPixel)) {
        return false;
    }
    const size_t raw = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    std::vector<uint8_t> row;
    std::vector<uint8_t> encoding;
    try {
        row.assign(raw, fill);
        encoding.resize(rowcodec::WorstCaseRoom(raw));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const size_t length =
        rowcodec::Encode(row.data(), raw, encoding.data(), encoding.data() + encoding.size());
    const double wanted = static_cast<double>(length) * height * std::max(0.0f, poolFactor);
    if (!std::isfinite(wanted) || wanted > static_cast<double>(kMaxRawBytes) * 4) {
        return false;
    }
    m_mode = kModeRunLength;
    if (!InitPool(width, height, bytesPerPixel, raw, encoding.data(), length, static_cast<size_t>(wanted))) {
        return false;
    }
    CloseWindow();
    m_places.clear();
    return true;
}

void RLBuffer::DecodeStored(int32_t row, uint8_t* dest) const {
    // A row kept as one value throughout (most rows of a layer are bare) needs no walk of its codes.
    const uint16_t summary = RowSummary(row);
    if (summary & kOneValueRow) {
        std::memset(dest, static_cast<uint8_t>(summary), RawRowLength());
        return;
    }
    const size_t offset = RowOffset(row);
    // Stored rows are validated when they enter the pool; a row that still fails reads as zero, and
    // so does a row lost to a failed store (its codes write nothing).
    if (RowEncodedLength(row) == rowcodec::kEmptyRowLength ||
        !rowcodec::Decode(RowEncoding(row), Capacity() - offset, dest, RawRowLength())) {
        std::memset(dest, 0, RawRowLength());
    }
}

void RLBuffer::GetRow(int32_t row, uint8_t* dest, bool useWindow) {
    if (!IsCreated() || row < 0 || row >= m_height) {
        return;
    }
    if (!dest) {
        dest = WorkingRow();
    }
    if (useWindow && WindowHolds(row)) {
        std::memcpy(dest, m_window->Pixels(row - m_window->FirstRow()), RawRowLength());
        return;
    }
    DecodeStored(row, dest);
}

void RLBuffer::ReadRow(int32_t row, uint8_t* dest) const {
    if (IsCreated() && row >= 0 && row < m_height && dest) {
        DecodeStored(row, dest);
    }
}

rowcodec::SpanInfo RLBuffer::ReadSpan(int32_t row, size_t from, size_t to, uint8_t* dest, uint8_t background,
                                      bool contentOnly) const {
    rowcodec::SpanInfo info;
    if (from >= to) {
        info.uniform = true;
        return info;
    }
    if (RowsHeld()) {
        return ReadHeld(row, from, to, dest, background, contentOnly, false);
    }
    if (IsCreated() && row >= 0 && row < m_height &&
        rowcodec::DecodeSpan(RowEncoding(row), Capacity() - RowOffset(row), RawRowLength(), from, to,
                             background, dest, contentOnly, info)) {
        return info;
    }
    if (dest) {
        std::memset(dest, 0, to - from);
    }
    info = rowcodec::SpanInfo{true, 0, 0, background == 0 ? 0 : to - from};
    return info;
}

rowcodec::SpanInfo RLBuffer::ReadContent(int32_t row, size_t from, size_t to, uint8_t* dest,
                                         uint8_t background) const {
    rowcodec::SpanInfo info;
    if (from >= to) {
        return info;
    }
    if (RowsHeld()) {
        return ReadHeld(row, from, to, dest, background, true, true);
    }
    if (IsCreated() && row >= 0 && row < m_height &&
        rowcodec::DecodeContent(RowEncoding(row), Capacity() - RowOffset(row), RawRowLength(), from, to,
                                background, dest, info.first, info.last)) {
        return info;
    }
    // What does not decode reads as zeros, as in ReadSpan.
    std::memset(dest, 0, to - from);
    return rowcodec::SpanInfo{true, 0, 0, background == 0 ? 0 : to - from};
}

bool RLBuffer::PutRow(int32_t row, const uint8_t* src) {
    if (row < 0 || row >= m_height) {
        return StoreRow(row, src ? src : WorkingRow());
    }
    if (!m_places.empty()) {
        m_places[static_cast<size_t>(row)] = rowcodec::CodePlace{}; // the whole row changes
    }
    if (!src) {
        src = WorkingRow();
    }
    // A row stored out of order moves the gap to it, and with it every row on the shorter side of the
    // ring. Its encoding is made aside first: when it keeps the stored length (a window writing back rows
    // it left unchanged, a row repainted alike) it goes over the old one where that lies, and nothing moves.
    if (m_height > 1 && row != (WriteHead() + 1) % m_height && !RowsHeld() && SplicedRoom()) {
        const size_t length =
            rowcodec::Encode(src, RawRowLength(), m_spliced.data(), m_spliced.data() + m_spliced.size());
        if (length != 0) {
            return ReplaceRowInPlace(row, m_spliced.data(), length) ||
                   StoreEncodedRow(row, m_spliced.data(), length);
        }
    }
    return StoreRow(row, src);
}

bool RLBuffer::SplicedRoom() {
    const size_t room = rowcodec::WorstCaseRoom(RawRowLength());
    if (m_spliced.size() < room) {
        try {
            m_spliced.resize(room);
        } catch (const std::bad_alloc&) {
            m_spliced.clear();
            return false;
        }
    }
    return true;
}

rowcodec::CodePlace* RLBuffer::PlaceOf(int32_t row) const {
    if (m_places.size() != static_cast<size_t>(m_height)) {
        try {
            m_places.assign(static_cast<size_t>(m_height), rowcodec::CodePlace{});
        } catch (const std::bad_alloc&) {
            m_places.clear();
            return nullptr;
        }
    }
    return &m_places[static_cast<size_t>(row)];
}

void RLBuffer::ReadSpanAt(int32_t row, size_t from, size_t to, uint8_t* dest) const {
    if (from >= to) {
        return;
    }
    rowcodec::CodePlace* place = IsCreated() && row >= 0 && row < m_height ? PlaceOf(row) : nullptr;
    if (place) {
        if (place->pos > from) {
            *place = rowcodec::CodePlace{};
        }
        if (rowcodec::DecodeSpanFrom(RowEncoding(row), Capacity() - RowOffset(row), RawRowLength(), from, to,
                                     dest, *place)) {
            return;
        }
        *place = rowcodec::CodePlace{};
    }
    ReadSpan(row, from, to, dest, 0);
}

bool RLBuffer::PutSpan(int32_t row, size_t from, size_t to, const uint8_t* bytes) {
    if (!IsCreated() || row < 0 || row >= m_height || from > to || to > RawRowLength()) {
        return false;
    }
    if (from == to) {
        return true;
    }
    rowcodec::CodePlace* place = PlaceOf(row);
    if (m_spliced.size() < rowcodec::WorstCaseRoom(RawRowLength())) {
        try {
            m_spliced.resize(rowcodec::WorstCaseRoom(RawRowLength()));
        } catch (const std::bad_alloc&) {
            m_spliced.clear();
        }
    }
    // A change that keeps the row's codes is written into them where they lie; a new encoding of the
    // same length goes where the old one lies.
    bool patched = false;
    const size_t length =
        m_spliced.empty()
            ? 0
            : rowcodec::SpliceStored(MutableRow(row), Capacity() - RowOffset(row), RawRowLength(), from, to,
                                     bytes, m_spliced.data(), m_spliced.data() + m_spliced.size(),
                                     WorkingRow(), place, patched);
    if (patched) {
        RowChangedInPlace(row);
        return true;
    }
    if (length != 0 && (ReplaceRowInPlace(row, m_spliced.data(), length) ||
                        StoreEncodedRow(row, m_spliced.data(), length))) {
        return true;
    }
    if (place) {
        *place = rowcodec::CodePlace{};
    }
    if (length != 0) {
        return false; // the pool could not grow: the row is empty, as after PutRow
    }
    // A row the splice does not walk (delta codes, an empty row, a very short row): the whole row.
    if (RowEncodedLength(row) == rowcodec::kEmptyRowLength) {
        std::memset(WorkingRow(), 0, RawRowLength()); // a row lost to a failed store reads as zeros
    } else {
        DecodeStored(row, WorkingRow());
    }
    std::memcpy(WorkingRow() + from, bytes, to - from);
    return PutRow(row);
}

bool RLBuffer::PutMappedRow(int32_t row, const RLBuffer& source, const uint8_t* table) {
    if (!IsCreated() || !source.IsCreated() || row < 0 || row >= m_height || source.m_height != m_height ||
        source.RawRowLength() != RawRowLength()) {
        return false;
    }
    const uint8_t* from = source.RowEncoding(row);
    const size_t available = source.Capacity() - source.RowOffset(row);
    const size_t length = std::min<size_t>(rowcodec::StoredLength(from), available);
    if (m_spliced.size() < length) {
        try {
            m_spliced.resize(rowcodec::WorstCaseRoom(RawRowLength()));
        } catch (const std::bad_alloc&) {
            m_spliced.clear();
        }
    }
    const size_t mapped = m_spliced.size() < length
                              ? 0
                              : rowcodec::MapCodes(from, available, RawRowLength(), table, m_spliced.data());
    if (mapped == 0) {
        source.DecodeStored(row, WorkingRow());
        uint8_t* bytes = WorkingRow();
        for (size_t i = 0; i < RawRowLength(); ++i) {
            bytes[i] = table[bytes[i]];
        }
        return PutRow(row);
    }
    if (RowEncodedLength(row) == mapped && std::memcmp(RowEncoding(row), m_spliced.data(), mapped) == 0) {
        return true; // stored so already
    }
    if (!m_places.empty()) {
        m_places[static_cast<size_t>(row)] = rowcodec::CodePlace{};
    }
    return StoreEncodedRow(row, m_spliced.data(), mapped);
}

size_t RLBuffer::EncodeInto(const uint8_t* src, uint8_t* dest, const uint8_t* limit) {
    return rowcodec::Encode(src, RawRowLength(), dest, limit);
}

uint16_t RLBuffer::SummarizeRow(const uint8_t* encoding, size_t available, size_t rawRowLength) const {
    uint8_t value = 0;
    return rowcodec::IsOneValue(encoding, available, rawRowLength, value) ? kOneValueRow | value : kMixedRow;
}

size_t RLBuffer::WorstCaseRoom() const {
    return rowcodec::WorstCaseRoom(RawRowLength());
}

void RLBuffer::Clear() {
    if (!IsCreated()) {
        return;
    }
    std::memset(WorkingRow(), 0, RawRowLength());
    PutRow(0);
    for (int32_t r = 1; r < m_height; ++r) {
        const size_t length = RowEncodedLength(0);
        if (RowEncodedLength(r) != length || std::memcmp(RowEncoding(r), RowEncoding(0), length) != 0) {
            PutRow(r);
        }
    }
}

bool RLBuffer::Fill(uint8_t value) {
    if (!IsCreated()) {
        return false;
    }
    bool ok = true;
    for (int32_t r = 0; r < m_height; ++r) {
        std::memset(WorkingRow(), value, RawRowLength());
        ok = PutRow(r) && ok;
    }
    return ok;
}

void RLBuffer::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value) {
    if (!IsCreated()) {
        return;
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_width);
    bottom = std::min(bottom, m_height);
    if (left >= right || top >= bottom) {
        return;
    }
    const size_t bpp = static_cast<size_t>(m_bytesPerPixel);
    for (int32_t r = top; r < bottom; ++r) {
        GetRow(r);
        std::memset(WorkingRow() + static_cast<size_t>(left) * bpp, value,
                    static_cast<size_t>(right - left) * bpp);
        PutRow(r);
    }
}

bool RLBuffer::WriteBlock(ByteWriter& out) const {
    if (!IsCreated()) {
        return false;
    }
    size_t total = 0;
    for (int32_t r = 0; r < m_height; ++r) {
        total += RowEncodedLength(r);
    }
    if (total > 0xFFFFFFFFu) {
        return false;
    }
    out.PutI32(m_width);
    out.PutI32(m_height);
    out.PutI32(0);
    out.PutI32(0);
    out.PutI32(m_bytesPerPixel);
    out.PutU32(static_cast<uint32_t>(total));
    for (int32_t r = 0; r < m_height; ++r) {
        out.PutBytes(RowEncoding(r), RowEncodedLength(r));
    }
    return true;
}

bool RLBuffer::ReadBlock(ByteReader& in) {
    return ReadBlockWithSlack(in, kLoadSlack);
}

bool RLBuffer::ReadBlockTight(ByteReader& in) {
    return ReadBlockWithSlack(in, 0);
}

// A block comes from a file: every field and every row is checked before anything is replaced.
bool RLBuffer::ReadBlockWithSlack(ByteReader& in, size_t slack) {
    const size_t start = in.Position();
    auto refuse = [&] {
        in.Seek(start);
        return false;
    };
    int32_t header[kBlockHeaderInts];
    for (int32_t& v : header) {
        if (!in.GetI32(v)) {
            return refuse();
        }
    }
    const int32_t width = header[0];
    const int32_t height = header[1];
    const int32_t bpp = header[4];
    const uint32_t total = static_cast<uint32_t>(header[5]);
    if (!SizeIsValid(width, height, bpp) ||
        total < rowcodec::kEmptyRowLength * static_cast<uint64_t>(height) || total > in.Remaining()) {
        return refuse();
    }
    const uint8_t* rows = in.Take(total);
    const size_t raw = static_cast<size_t>(width) * static_cast<size_t>(bpp);
    std::vector<uint8_t> scratch;
    std::unique_ptr<uint8_t[]> pool;
    try {
        scratch.resize(raw);
        pool = std::make_unique_for_overwrite<uint8_t[]>(total + slack + 16);
    } catch (const std::bad_alloc&) {
        return refuse();
    }
    // The rows must walk exactly to the stored total, each decoding to exactly one row.
    size_t at = 0;
    for (int32_t r = 0; r < height; ++r) {
        if (total - at < rowcodec::kLengthBytes) {
            return refuse();
        }
        const size_t length = rowcodec::StoredLength(rows + at);
        if (length < rowcodec::kEmptyRowLength || length > total - at ||
            !rowcodec::Decode(rows + at, length, scratch.data(), raw)) {
            return refuse();
        }
        at += length;
    }
    if (at != total) {
        return refuse();
    }
    std::memcpy(pool.get(), rows, total);
    std::memset(pool.get() + total, 0, slack + 16);
    m_mode = kModeRunLength;
    if (!AdoptPackedRows(width, height, bpp, raw, std::move(pool), total + slack, total)) {
        return refuse();
    }
    CloseWindow();
    m_places.clear();
    return true;
}

bool RLBuffer::CopyFrom(const RLBuffer& other) {
    if (!CopyStoreFrom(other)) {
        return false;
    }
    m_checksum = other.m_checksum;
    m_places.clear();
    return true;
}

bool RLBuffer::SameContents(const RLBuffer& other) const {
    if (!IsCreated() || !other.IsCreated() || m_width != other.m_width || m_height != other.m_height ||
        m_bytesPerPixel != other.m_bytesPerPixel) {
        return false;
    }
    for (int32_t r = 0; r < m_height; ++r) {
        const size_t length = RowEncodedLength(r);
        if (other.RowEncodedLength(r) != length ||
            std::memcmp(RowEncoding(r), other.RowEncoding(r), length) != 0) {
            return false;
        }
    }
    return true;
}

uint32_t RLBuffer::UsedBytes() {
    if (!IsCreated()) {
        return 0;
    }
    RecountUsedBytes();
    return static_cast<uint32_t>(UsedByteCount());
}

double RLBuffer::CompressionRatio() {
    if (!IsCreated()) {
        return 0.0;
    }
    return static_cast<double>(UsedBytes()) / (static_cast<double>(m_bytesPerPixel) *
                                               static_cast<double>(m_width) * static_cast<double>(m_height));
}

uint32_t RLBuffer::Checksum() {
    uint32_t sum = 0;
    for (int32_t r = 0; IsCreated() && r < m_height; ++r) {
        const uint8_t* p = RowEncoding(r);
        const size_t length = RowEncodedLength(r);
        for (size_t i = 0; i < length; ++i) {
            sum += p[i];
        }
    }
    m_checksum = sum;
    return sum;
}

void RLBuffer::Histogram(std::array<uint64_t, 256>& counters) const {
    if (!IsCreated()) {
        return;
    }
    std::vector<uint8_t> row(RawRowLength());
    for (int32_t r = 0; r < m_height; ++r) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        DecodeStored(r, row.data());
        for (uint8_t v : row) {
            ++counters[v];
        }
    }
}

bool RLBuffer::HasDeltaCodes(int32_t row) const {
    if (!IsCreated() || row < 0 || row >= m_height) {
        return false;
    }
    return rowcodec::HasDeltaCodes(RowEncoding(row));
}

Rect RLBuffer::BoundingBox(uint8_t background) const {
    Rect box{m_width, m_height, 0, 0};
    if (!IsCreated()) {
        return Rect{};
    }
    const size_t bpp = static_cast<size_t>(m_bytesPerPixel);
    std::vector<uint8_t> row(RawRowLength());
    for (int32_t r = 0; r < m_height; ++r) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        DecodeStored(r, row.data());
        for (int32_t x = 0; x < m_width; ++x) {
            // A pixel counts when its bytes, OR-ed in one at a time, differ from the background at any step.
            uint8_t acc = 0;
            bool differs = false;
            for (size_t b = 0; b < bpp; ++b) {
                acc = static_cast<uint8_t>(acc | row[static_cast<size_t>(x) * bpp + b]);
                differs = differs || acc != background;
            }
            if (differs) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x + 1);
                box.top = std::min(box.top, r);
                box.bottom = std::max(box.bottom, r + 1);
            }
        }
    }
    return box.IsEmpty() ? Rect{} : box;
}

// ---- Row window ----

bool RLBuffer::OpenWindow(int32_t margin, int32_t rows) {
    if (!IsCreated()) {
        return false;
    }
    std::unique_ptr<ImageBuffer> window;
    try {
        window = std::make_unique<ImageBuffer>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!window->Create(m_width, rows, m_bytesPerPixel, margin)) {
        return false;
    }
    m_window = std::move(window);
    return true;
}

bool RLBuffer::WindowHolds(int32_t row) const {
    if (!m_window) {
        return false;
    }
    const int32_t r = row - m_window->FirstRow();
    return r >= -m_window->Margin() && r < m_window->ContentRows() + m_window->Margin();
}

// Fills window row r: the buffer row it stands for, decoded between zero margins, or zeros when
// there is no such row. Every byte of the window row is written.
void RLBuffer::LoadWindowRow(int32_t windowRow) {
    uint8_t* const start = m_window->Row(windowRow);
    const auto rowBytes = static_cast<size_t>(m_window->RowBytes());
    const int32_t row = m_window->FirstRow() + windowRow;
    if (row < 0 || row >= m_height) {
        std::memset(start, 0, rowBytes);
        return;
    }
    uint8_t* const pixels = m_window->Pixels(windowRow);
    const auto before = static_cast<size_t>(pixels - start);
    std::memset(start, 0, before);
    DecodeStored(row, pixels);
    std::memset(pixels + RawRowLength(), 0, rowBytes - before - RawRowLength());
}

void RLBuffer::LoadWindow(int32_t firstRow) {
    if (!m_window) {
        return;
    }
    m_window->SetFirstRow(firstRow);
    const int32_t m = m_window->Margin();
    for (int32_t r = -m; r < m_window->ContentRows() + m; ++r) {
        LoadWindowRow(r);
    }
    m_window->RecomputeOffsets();
}

void RLBuffer::ScrollWindowDown(int32_t k, bool writeBack) {
    if (!m_window) {
        return;
    }
    const int32_t m = m_window->Margin();
    const int32_t last = m_window->ContentRows() + m - 1;
    for (int32_t i = 0; i < k; ++i) {
        // Rotating recomputes the row offsets, so it goes first: after the stores of a row's codes it
        // would wait for them all to reach memory. The row that leaves the top wraps to the bottom with
        // its pixels unchanged; it is written back from there, and then the row that comes in is
        // decoded over it, whole.
        const int32_t top = m_window->FirstRow() - m;
        m_window->RotateRowsUp(1);
        m_window->SetFirstRow(m_window->FirstRow() + 1);
        if (writeBack && top >= 0 && top < m_height) {
            PutRow(top, m_window->Pixels(last));
        }
        LoadWindowRow(last);
    }
}

void RLBuffer::ScrollWindowUp(int32_t k, bool writeBack) {
    if (!m_window) {
        return;
    }
    const int32_t m = m_window->Margin();
    const int32_t last = m_window->ContentRows() + m - 1;
    for (int32_t i = 0; i < k; ++i) {
        // As ScrollWindowDown: the row that leaves the bottom is written back from the top.
        const int32_t bottom = m_window->FirstRow() + last;
        m_window->RotateRowsDown(1);
        m_window->SetFirstRow(m_window->FirstRow() - 1);
        if (writeBack && bottom >= 0 && bottom < m_height) {
            PutRow(bottom, m_window->Pixels(-m));
        }
        LoadWindowRow(-m);
    }
}

void RLBuffer::FlushWindow() {
    if (!m_window) {
        return;
    }
    const int32_t m = m_window->Margin();
    for (int32_t r = -m; r < m_window->ContentRows() + m; ++r) {
        const int32_t row = m_window->FirstRow() + r;
        if (row >= 0 && row < m_height) {
            PutRow(row, m_window->Pixels(r));
        }
    }
}

void RLBuffer::CloseWindow() {
    m_window.reset();
}

// ---- Run reader ----

void RLBuffer::StartRow(int32_t row, bool useWindow) {
    m_reader = RunReader{};
    m_reader.width = static_cast<int32_t>(RawRowLength());
    if (!IsCreated() || row < 0 || row >= m_height) {
        m_reader.width = 0;
        return;
    }
    if ((useWindow && WindowHolds(row)) || RawRowLength() < 4 || HasDeltaCodes(row)) {
        // Window rows, tiny rows and rows with delta runs are read as one literal run of decoded bytes.
        m_readerRow.resize(RawRowLength());
        GetRow(row, m_readerRow.data(), useWindow);
        m_reader.read = m_readerRow.data();
        m_reader.end = m_reader.read + m_readerRow.size();
        m_reader.literalLeft = m_reader.width;
        m_reader.decoded = true;
        return;
    }
    const uint8_t* enc = RowEncoding(row);
    m_reader.read = enc + rowcodec::kLengthBytes;
    m_reader.end = enc + RowEncodedLength(row);
}

// Loads the next code's run; false past the last code.
bool RLBuffer::NextRun() {
    RunReader& rd = m_reader;
    if (rd.decoded || rd.read >= rd.end) {
        return false;
    }
    const uint8_t c = *rd.read++;
    if (c < 0x80) {
        rd.repeatLeft = (c + 1) * 4;
    } else if (c < 0xA0) {
        rd.literalLeft = ((c & 0x1F) + 1) * 4;
    } else {
        rd.literalLeft = c - 0xBC; // tails only: rows with delta runs are read decoded
    }
    rd.repeatLeft = std::min(rd.repeatLeft, rd.width - rd.position);
    rd.literalLeft = std::min(rd.literalLeft, static_cast<int32_t>(rd.end - rd.read));
    rd.literalLeft = std::min(rd.literalLeft, rd.width - rd.position);
    return true;
}

uint32_t RLBuffer::NextNot(uint8_t background) {
    RunReader& rd = m_reader;
    while (rd.position < rd.width) {
        if (rd.literalLeft > 0) {
            const uint8_t v = *rd.read++;
            --rd.literalLeft;
            rd.value = v;
            const int32_t x = rd.position++;
            if (v != background) {
                return static_cast<uint32_t>(x) << 16 | v;
            }
        } else if (rd.repeatLeft > 0) {
            if (rd.value == background) {
                rd.position += rd.repeatLeft;
                rd.repeatLeft = 0;
            } else {
                --rd.repeatLeft;
                return static_cast<uint32_t>(rd.position++) << 16 | rd.value;
            }
        } else if (!NextRun()) {
            break;
        }
    }
    return kEndOfRow;
}

uint32_t RLBuffer::Seek(int32_t x) {
    RunReader& rd = m_reader;
    if (x < rd.position || x >= rd.width) {
        return kEndOfRow;
    }
    while (rd.position < rd.width) {
        if (rd.literalLeft > 0) {
            if (rd.position + rd.literalLeft > x) {
                const int32_t skip = x - rd.position;
                rd.read += skip;
                rd.literalLeft -= skip + 1;
                rd.value = *rd.read++;
                rd.position = x + 1;
                return static_cast<uint32_t>(x) << 16 | rd.value;
            }
            rd.position += rd.literalLeft;
            rd.read += rd.literalLeft;
            rd.value = rd.read[-1];
            rd.literalLeft = 0;
        } else if (rd.repeatLeft > 0) {
            if (rd.position + rd.repeatLeft > x) {
                rd.repeatLeft -= x - rd.position + 1;
                rd.position = x + 1;
                return static_cast<uint32_t>(x) << 16 | rd.value;
            }
            rd.position += rd.repeatLeft;
            rd.repeatLeft = 0;
        } else if (!NextRun()) {
            break;
        }
    }
    return kEndOfRow;
}

} // namespace ts
