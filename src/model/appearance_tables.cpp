#include "model/appearance_tables.h"

#include <utility>

namespace ts {

namespace {

// The first stream version whose line appearances are written as five values.
constexpr int32_t kFiveValueLineAppearances = 102;

// A one-byte setting travels as a 32-bit value; the reader keeps its low byte.
bool GetByte(ByteReader& in, uint8_t& value) {
    int32_t v = 0;
    if (!in.GetI32(v)) {
        return false;
    }
    value = static_cast<uint8_t>(v);
    return true;
}

template <class Record> struct Codec;

template <> struct Codec<LineAppearance> {
    static constexpr int kFullTable = 0;
    static constexpr int32_t kPayloadBytes = 20;
    static void Put(ByteWriter& out, const LineAppearance& r) {
        for (uint8_t v : {r.p1, r.p2, r.p4, r.p5, r.p6}) {
            out.PutI32(v);
        }
    }
    static bool Get(ByteReader& in, int32_t version, LineAppearance& r) {
        if (version < kFiveValueLineAppearances) {
            return in.GetI32(r.reference) && GetByte(in, r.mark) && GetByte(in, r.level) &&
                   GetByte(in, r.p1) && GetByte(in, r.p2) && GetByte(in, r.p3) && GetByte(in, r.p4) &&
                   GetByte(in, r.p5) && GetByte(in, r.p6);
        }
        return GetByte(in, r.p1) && GetByte(in, r.p2) && GetByte(in, r.p4) && GetByte(in, r.p5) &&
               GetByte(in, r.p6);
    }
};

template <> struct Codec<LineColor> {
    static constexpr int kFullTable = -1;
    static constexpr int32_t kPayloadBytes = 8;
    static void Put(ByteWriter& out, const LineColor& r) {
        out.PutI32(r.color);
        out.PutI32(r.opacity);
    }
    static bool Get(ByteReader& in, int32_t, LineColor& r) {
        return in.GetI32(r.color) && GetByte(in, r.opacity);
    }
};

template <> struct Codec<CColorAppearance> {
    static constexpr int kFullTable = 0;
    static constexpr int32_t kPayloadBytes = 28;
    static void Put(ByteWriter& out, const CColorAppearance& r) {
        out.PutI32(r.reference);
        for (uint8_t v : {r.p1, r.p2, r.p3, r.p4, r.p5, r.p6}) {
            out.PutI32(v);
        }
    }
    static bool Get(ByteReader& in, int32_t, CColorAppearance& r) {
        return in.GetI32(r.reference) && GetByte(in, r.p1) && GetByte(in, r.p2) && GetByte(in, r.p3) &&
               GetByte(in, r.p4) && GetByte(in, r.p5) && GetByte(in, r.p6);
    }
};

template <> struct Codec<ShadowAppearance> {
    static constexpr int kFullTable = 0;
    static constexpr int32_t kPayloadBytes = 8;
    static void Put(ByteWriter& out, const ShadowAppearance& r) {
        out.PutI32(r.reference);
        out.PutI32(r.color);
    }
    static bool Get(ByteReader& in, int32_t, ShadowAppearance& r) {
        return in.GetI32(r.reference) && in.GetI32(r.color);
    }
};

} // namespace

template <class Record> int AppearanceTable<Record>::FindOrAdd(const Record& record) {
    int firstEmpty = -1;
    for (int i = 0; i < kSlots; ++i) {
        if (!m_slots[i]) {
            if (firstEmpty < 0) {
                firstEmpty = i;
            }
        } else if (*m_slots[i] == record) {
            return i;
        }
    }
    if (firstEmpty < 0) {
        return Codec<Record>::kFullTable;
    }
    m_slots[firstEmpty] = record;
    return firstEmpty;
}

template <class Record> bool AppearanceTable<Record>::Copy(const AppearanceTable& other) {
    m_slots = other.m_slots;
    return true;
}

template <class Record> bool AppearanceTable<Record>::Equals(const AppearanceTable& other) const {
    return m_slots == other.m_slots;
}

template <class Record> int AppearanceTable<Record>::Count() const {
    int n = 0;
    for (const auto& slot : m_slots) {
        n += slot ? 1 : 0;
    }
    return n;
}

template <class Record> void AppearanceTable<Record>::Remap(AppearanceTable& other) {
    for (int i = 0; i < kSlots; ++i) {
        int index = 0;
        if (other.m_slots[i]) {
            // A copy: when other is this table, adding may not disturb the record being looked up.
            const Record record = *other.m_slots[i];
            index = FindOrAdd(record);
        }
        other.m_map[i] = static_cast<uint8_t>(index < 0 ? 0 : index);
    }
}

template <class Record> const Record* AppearanceTable<Record>::Slot(int index) const {
    if (index < 0 || index >= kSlots || !m_slots[index]) {
        return nullptr;
    }
    return &*m_slots[index];
}

template <class Record> bool AppearanceTable<Record>::Set(int index, const Record& record) {
    if (index < 0 || index >= kSlots) {
        return false;
    }
    m_slots[index] = record;
    return true;
}

template <class Record> void AppearanceTable<Record>::Clear() {
    for (auto& slot : m_slots) {
        slot.reset();
    }
}

template <class Record> void AppearanceTable<Record>::Write(ByteWriter& out) const {
    out.PutI32(Count());
    for (int i = 0; i < kSlots; ++i) {
        if (m_slots[i]) {
            out.PutI32(i);
            out.PutI32(Codec<Record>::kPayloadBytes);
            Codec<Record>::Put(out, *m_slots[i]);
            out.PutI32(kEntryEnd);
        }
    }
}

template <class Record> bool AppearanceTable<Record>::Read(ByteReader& in, int32_t streamVersion) {
    const size_t start = in.Position();
    std::array<std::optional<Record>, kSlots> slots;
    const auto refuse = [&] {
        in.Seek(start);
        return false;
    };
    int32_t count = 0;
    if (!in.GetI32(count) || count < 0 || count > kSlots) {
        return refuse();
    }
    for (int32_t n = 0; n < count; ++n) {
        int32_t index = 0;
        int32_t size = 0;
        Record record;
        int32_t end = 0;
        if (!in.GetI32(index) || index < 0 || index >= kSlots || !in.GetI32(size) ||
            !Codec<Record>::Get(in, streamVersion, record) || !in.GetI32(end) || end != kEntryEnd) {
            return refuse();
        }
        // A slot named twice keeps its last record.
        slots[index] = record;
    }
    m_slots = std::move(slots);
    return true;
}

template class AppearanceTable<LineAppearance>;
template class AppearanceTable<LineColor>;
template class AppearanceTable<CColorAppearance>;
template class AppearanceTable<ShadowAppearance>;

void LineAppearanceList::InitDefaults() {
    Clear();
    LineAppearance thin;
    thin.p1 = 1;
    thin.p2 = 20;
    LineAppearance wide;
    wide.p1 = 20;
    wide.p2 = 20;
    LineAppearance fifth;
    fifth.p5 = 1;
    Set(0, LineAppearance{});
    Set(1, thin);
    Set(2, wide);
    Set(3, fifth);
}

namespace {

// Pencil share per appearance type: pure pencil, the two papers, then the blends. Types 3 to 5 come of
// opaque paper and pencil (3 strong paper over pencil, 5 strong pencil over paper), 6 to 8 of pencil
// over paper (6 the strongest pencil), 9 to 11 of the two papers.
constexpr uint8_t kShare[CColorAppearanceList::kDefaultTypes] = {255, 0,   0,  64,  128, 192,
                                                                 192, 128, 64, 192, 128, 64};

CColorAppearance DefaultAppearance(int k) {
    CColorAppearance a;
    a.reference = k;
    a.p1 = kShare[k];
    return a;
}

} // namespace

void CColorAppearanceList::InitDefaults() {
    Clear();
    for (int k = 0; k < kDefaultTypes; ++k) {
        Set(k, DefaultAppearance(k));
    }
}

bool CColorAppearanceList::Read(ByteReader& in, int32_t streamVersion) {
    if (!AppearanceTable<CColorAppearance>::Read(in, streamVersion)) {
        return false;
    }
    // Drawings saved by earlier builds carry the shares of types 3 and 5 the wrong way round (3 at 192,
    // 5 at 64). Both entries exactly as those builds wrote them are put right; a table changed in any
    // other way is kept as stored.
    auto writtenReversed = [this](int k, uint8_t share) {
        CColorAppearance reversed = DefaultAppearance(k);
        reversed.p1 = share;
        const CColorAppearance* slot = Slot(k);
        return slot && *slot == reversed;
    };
    if (writtenReversed(3, 192) && writtenReversed(5, 64)) {
        Set(3, DefaultAppearance(3));
        Set(5, DefaultAppearance(5));
    }
    return true;
}

} // namespace ts
