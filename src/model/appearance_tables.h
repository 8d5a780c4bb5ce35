#pragma once

#include "model/appearance_records.h"
#include "raster/byte_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ts {

// A layer's table of up to 256 records: the pixels of the layer carry one-byte indices into it. Each
// slot is empty or holds a record owned by the table. The remap map is filled by another table's
// Remap and tells, for each slot of this table, the slot of an equal record over there.
template <class Record> class AppearanceTable {
public:
    static constexpr int kSlots = 256;
    // The end marker after each serialised entry.
    static constexpr int32_t kEntryEnd = 1008;

    // The first slot holding an equal record, else the record copied into the lowest empty slot. With
    // every slot taken: -1 for line colours, 0 for the other tables.
    int FindOrAdd(const Record& record);
    // Makes this table hold copies of the other's records (the remap map stays). Always succeeds.
    bool Copy(const AppearanceTable& other);
    // Slot by slot: both empty, or both records equal by the record's own equality.
    bool Equals(const AppearanceTable& other) const;
    int Count() const;
    // For each used slot of other, the slot of an equal record in this table (found or added) goes to
    // other's remap map; empty slots and records that found no room map to 0.
    void Remap(AppearanceTable& other);

    // The record in a slot, or null when the slot is empty or out of range.
    const Record* Slot(int index) const;
    // Puts a copy of the record into a slot; false out of range.
    bool Set(int index, const Record& record);
    void Clear();

    uint8_t RemapEntry(int index) const { return index >= 0 && index < kSlots ? m_map[index] : 0; }
    const std::array<uint8_t, kSlots>& RemapMap() const { return m_map; }

    // The used slots in ascending order: count, then per slot its index, payload size, payload and the
    // entry end.
    void Write(ByteWriter& out) const;
    // Replaces the records with those of a written table. Streams of versions below 102 hold line
    // appearances in their older nine-value form. A table that does not parse (count outside 0-256,
    // slot outside 0-255, truncated, entry end missing) is refused: the records and the reader's position
    // stay as they were. The stated payload size is not trusted; each payload has its fixed layout.
    bool Read(ByteReader& in, int32_t streamVersion);

private:
    std::array<std::optional<Record>, kSlots> m_slots;
    std::array<uint8_t, kSlots> m_map{};
};

extern template class AppearanceTable<LineAppearance>;
extern template class AppearanceTable<LineColor>;
extern template class AppearanceTable<CColorAppearance>;
extern template class AppearanceTable<ShadowAppearance>;

// The appearances of a line layer's lines.
class LineAppearanceList final : public AppearanceTable<LineAppearance> {
public:
    // A new line layer's four entries: 0 defaults, 1 p1 = 1 and p2 = 20, 2 p1 = p2 = 20, 3 p5 = 1.
    void InitDefaults();
};

// The colours of a line layer's lines. When full, FindOrAdd answers -1.
class LineColorList final : public AppearanceTable<LineColor> {};

// The appearances of a colour layer's paint.
class CColorAppearanceList final : public AppearanceTable<CColorAppearance> {
public:
    static constexpr int kDefaultTypes = 12;
    // A new colour layer's twelve entries: slot k is appearance type k (its reference), with the pencil
    // share p1: 255 for type 0, 0 for types 1 and 2, 64, 128, 192 for types 3-5 (opaque paper and
    // pencil, 5 mostly pencil) and 192, 128, 64 for types 6-8 and 9-11.
    void InitDefaults();
    // As the table's Read; a table with the reversed shares of types 3 and 5 that earlier builds wrote
    // is put right.
    bool Read(ByteReader& in, int32_t streamVersion);
};

// The appearances of a shadow layer's lights.
class ShadowAppearanceList final : public AppearanceTable<ShadowAppearance> {};

} // namespace ts
