// Feeds arbitrary bytes to the Read of each appearance and colour table, as a drawing stream would.
//
// The first byte picks the stream version: even values read as version 101 (older line appearances),
// odd ones as the current version. A refused table must leave the records and the reader as they
// were. An accepted table must write back a table that reads again to an equal one, byte for byte.

#include "model/appearance_tables.h"
#include "raster/byte_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

[[noreturn]] void Fail() {
    __builtin_trap();
}

// Every field of a record, for comparisons that must see more than the record's own equality.
std::vector<int64_t> Fields(const ts::LineAppearance& r) {
    return {r.reference, r.mark, r.level, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6};
}
std::vector<int64_t> Fields(const ts::LineColor& r) {
    return {r.color, r.opacity};
}
std::vector<int64_t> Fields(const ts::CColorAppearance& r) {
    return {r.reference, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6};
}
std::vector<int64_t> Fields(const ts::ShadowAppearance& r) {
    return {r.reference, r.color};
}

template <class Table> std::vector<std::optional<std::vector<int64_t>>> Snapshot(const Table& table) {
    std::vector<std::optional<std::vector<int64_t>>> slots(Table::kSlots);
    for (int i = 0; i < Table::kSlots; ++i) {
        if (const auto* record = table.Slot(i)) {
            slots[i] = Fields(*record);
        }
    }
    return slots;
}

template <class Table> void Check(const std::vector<uint8_t>& input, int32_t version, Table table) {
    const auto before = Snapshot(table);
    ts::ByteReader reader(input);
    if (!table.Read(reader, version)) {
        if (reader.Position() != 0 || Snapshot(table) != before) {
            Fail();
        }
        return;
    }
    if (table.Count() < 0 || table.Count() > Table::kSlots || reader.Position() < 4) {
        Fail();
    }

    ts::ByteWriter writer;
    table.Write(writer);
    Table again;
    ts::ByteReader back(writer.Data());
    if (!again.Read(back, 200) || back.Remaining() != 0 || !again.Equals(table) ||
        again.Count() != table.Count()) {
        Fail();
    }
    ts::ByteWriter rewritten;
    again.Write(rewritten);
    if (rewritten.Data() != writer.Data()) {
        Fail();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const int32_t version = (data[0] & 1) == 0 ? 101 : 200;
    const std::vector<uint8_t> input(data + 1, data + size);

    // Tables that already hold records: a refused read must not touch them.
    ts::LineAppearanceList lines;
    lines.InitDefaults();
    ts::CColorAppearanceList paints;
    paints.InitDefaults();
    ts::LineColorList colors;
    colors.Set(0, ts::LineColor{0x123456, 200});
    colors.Set(255, ts::LineColor{});
    ts::ShadowAppearanceList shadows;
    shadows.Set(7, ts::ShadowAppearance{3, 0x00FF00});

    Check(input, version, lines);
    Check(input, version, colors);
    Check(input, version, paints);
    Check(input, version, shadows);
    return 0;
}
