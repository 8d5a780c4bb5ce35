#include "model/appearance_tables.h"
#include "raster/byte_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace ts {
namespace {

std::vector<uint8_t> Ints(std::initializer_list<int32_t> values) {
    ByteWriter out;
    for (int32_t v : values) {
        out.PutI32(v);
    }
    return out.Take();
}

LineColor Color(int32_t color, uint8_t opacity = 255) {
    LineColor c;
    c.color = color;
    c.opacity = opacity;
    return c;
}

LineAppearance Appearance(uint8_t p1, uint8_t p2, uint8_t p5 = 0) {
    LineAppearance a;
    a.p1 = p1;
    a.p2 = p2;
    a.p5 = p5;
    return a;
}

TEST(AppearanceTable, FindOrAddReusesAnEqualRecordAndFillsTheLowestGap) {
    LineColorList table;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(table.FindOrAdd(Color(0x100 * i)), i);
    }
    EXPECT_EQ(table.FindOrAdd(Color(0x500)), 5);
    EXPECT_EQ(table.Count(), 8);
    // Opacity is part of a colour's identity.
    EXPECT_EQ(table.FindOrAdd(Color(0x500, 128)), 8);

    LineColorList gaps;
    gaps.Set(0, Color(1));
    gaps.Set(2, Color(2));
    EXPECT_EQ(gaps.FindOrAdd(Color(3)), 1);
    EXPECT_EQ(gaps.FindOrAdd(Color(4)), 3);
}

TEST(AppearanceTable, LineAppearancesMatchOnTheDrawnAttributesOnly) {
    LineAppearanceList table;
    LineAppearance a = Appearance(3, 4, 5);
    a.p4 = 6;
    a.p6 = 7;
    ASSERT_EQ(table.FindOrAdd(a), 0);

    LineAppearance same = a;
    same.reference = 99;
    same.mark = 0;
    same.level = 7;
    same.p3 = 42;
    EXPECT_EQ(table.FindOrAdd(same), 0);
    EXPECT_EQ(table.Slot(0)->reference, 0) << "the stored record stays as first added";

    for (uint8_t LineAppearance::*field : {&LineAppearance::p1, &LineAppearance::p2, &LineAppearance::p4,
                                           &LineAppearance::p5, &LineAppearance::p6}) {
        LineAppearance other = a;
        other.*field = static_cast<uint8_t>(other.*field + 1);
        EXPECT_NE(table.FindOrAdd(other), 0);
    }
}

TEST(AppearanceTable, AFullTableAnswersItsOwnFallbackAndAddsNothing) {
    LineColorList colors;
    CColorAppearanceList paints;
    LineAppearanceList lines;
    ShadowAppearanceList shadows;
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(colors.FindOrAdd(Color(i)), i);
        ASSERT_EQ(paints.FindOrAdd(CColorAppearance{i, 0, 0, 0, 0, 0, 0}), i);
        ASSERT_EQ(lines.FindOrAdd(Appearance(static_cast<uint8_t>(i), 0)), i);
        ASSERT_EQ(shadows.FindOrAdd(ShadowAppearance{i, 0}), i);
    }
    EXPECT_EQ(colors.FindOrAdd(Color(1000)), -1);
    EXPECT_EQ(paints.FindOrAdd(CColorAppearance{1000, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(lines.FindOrAdd(Appearance(0, 1)), 0);
    EXPECT_EQ(shadows.FindOrAdd(ShadowAppearance{1000, 0}), 0);
    // An existing record is still found.
    EXPECT_EQ(colors.FindOrAdd(Color(200)), 200);
    EXPECT_EQ(colors.Slot(0)->color, 0);
    EXPECT_EQ(colors.Count(), 256);
}

TEST(AppearanceTable, RemapGivesEachUsedSourceSlotItsDestinationSlot) {
    LineColorList source;
    source.Set(1, Color(0xAA));
    source.Set(4, Color(0xBB));
    source.Set(9, Color(0x1CC));
    LineColorList destination;
    destination.Set(0, Color(0x99));
    destination.Set(2, Color(0xAA));
    destination.Set(5, Color(0x1CC));

    destination.Remap(source);

    EXPECT_EQ(source.RemapEntry(1), 2);
    EXPECT_EQ(source.RemapEntry(4), 1) << "added in the lowest empty slot";
    EXPECT_EQ(source.RemapEntry(9), 5);
    EXPECT_EQ(source.RemapEntry(0), 0);
    EXPECT_EQ(source.RemapEntry(5), 0);
    EXPECT_EQ(destination.Count(), 4);
    EXPECT_EQ(destination.Slot(1)->color, 0xBB);
    EXPECT_EQ(destination.RemapEntry(0), 0) << "only the other table's map is written";

    // Duplicates within one table collapse onto the first of them.
    source.Set(7, Color(0xAA));
    source.Remap(source);
    EXPECT_EQ(source.RemapEntry(7), 1);
    EXPECT_EQ(source.RemapEntry(4), 4);

    // A colour that finds no room in a full table maps to slot 0.
    LineColorList full;
    for (int i = 0; i < 256; ++i) {
        full.Set(i, Color(i));
    }
    full.Remap(source);
    EXPECT_EQ(source.RemapEntry(1), 0xAA);
    EXPECT_EQ(source.RemapEntry(9), 0);
    EXPECT_EQ(full.Count(), 256);
}

TEST(AppearanceTable, WritesUsedSlotsInOrderWithSizeAndEndMarker) {
    LineAppearanceList lines;
    LineAppearance a = Appearance(1, 2, 5);
    a.reference = 77; // not written
    a.p3 = 33;        // not written
    a.p4 = 4;
    a.p6 = 255;
    lines.Set(200, a);
    lines.Set(3, Appearance(20, 20));
    lines.Set(0, LineAppearance{});
    ByteWriter out;
    lines.Write(out);
    EXPECT_EQ(out.Data(), Ints({3,                                   // used slots
                                0,   20, 0,  0,  0, 0, 0,   1008,    // slot, size, p1 p2 p4 p5 p6, end
                                3,   20, 20, 20, 0, 0, 0,   1008,    //
                                200, 20, 1,  2,  4, 5, 255, 1008})); //
    LineAppearanceList back;
    back.Set(9, a);
    ByteReader in(out.Data());
    ASSERT_TRUE(back.Read(in, 200));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_TRUE(back.Equals(lines));
    EXPECT_EQ(back.Slot(9), nullptr);

    CColorAppearanceList paints;
    paints.Set(255, CColorAppearance{-2, 1, 2, 3, 4, 5, 6});
    ByteWriter paintOut;
    paints.Write(paintOut);
    EXPECT_EQ(paintOut.Data(), Ints({1, 255, 28, -2, 1, 2, 3, 4, 5, 6, 1008}));
}

TEST(AppearanceTable, OlderStreamsHoldNineValueLineAppearances) {
    // reference, mark, level, p1..p6; the bytes come from the low 8 bits of each value.
    const auto bytes = Ints({1, 6, 36, 1234, 0x102, 0x7FF, 1, 2, 3, 0x404, 5, 6, 1008});
    LineAppearanceList lines;
    ByteReader in(bytes);
    ASSERT_TRUE(lines.Read(in, 101));
    const LineAppearance* a = lines.Slot(6);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->reference, 1234);
    EXPECT_EQ(a->mark, 2);
    EXPECT_EQ(a->level, 0xFF);
    EXPECT_EQ(a->p1, 1);
    EXPECT_EQ(a->p2, 2);
    EXPECT_EQ(a->p3, 3);
    EXPECT_EQ(a->p4, 4);
    EXPECT_EQ(a->p5, 5);
    EXPECT_EQ(a->p6, 6);

    // From version 102 on the same bytes are five values, and the entry end is then out of place.
    LineAppearanceList current;
    ByteReader again(bytes);
    EXPECT_FALSE(current.Read(again, 102));
    // Other tables do not depend on the version.
    const auto color = Ints({1, 2, 8, 0x0A0B0C, 0x1FF, 1008});
    LineColorList colors;
    ByteReader colorIn(color);
    ASSERT_TRUE(colors.Read(colorIn, 101));
    EXPECT_EQ(*colors.Slot(2), Color(0x0A0B0C, 0xFF));
}

TEST(AppearanceTable, ReadReplacesAllRecordsAndKeepsTheLastOfARepeatedSlot) {
    LineColorList colors;
    colors.Set(0, Color(1));
    colors.Set(50, Color(2));
    const auto bytes = Ints({2, 9, 8, 0x11, 255, 1008, 9, 8, 0x22, 128, 1008});
    ByteReader in(bytes);
    ASSERT_TRUE(colors.Read(in, 200));
    EXPECT_EQ(colors.Count(), 1);
    EXPECT_EQ(*colors.Slot(9), Color(0x22, 128));
    EXPECT_EQ(colors.Slot(0), nullptr);
}

TEST(AppearanceTable, MalformedTablesAreRefusedAndChangeNothing) {
    // Count, then entries (index, size, colour, opacity, 1008).
    const std::vector<std::vector<uint8_t>> refused = {
        Ints({}),                                       // no count
        Ints({-1}),                                     // negative count
        Ints({257}),                                    // more entries than slots
        Ints({1, 256, 8, 1, 2, 1008}),                  // slot past the table
        Ints({1, -1, 8, 1, 2, 1008}),                   // negative slot
        Ints({1, 3, 8, 1, 2, 1007}),                    // wrong entry end
        Ints({2, 3, 8, 1, 2, 1008}),                    // second entry missing
        Ints({1, 3, 8, 1}),                             // payload cut short
        Ints({1, 3, 8, 1, 2}),                          // entry end missing
        Ints({256, 0, 8, 1, 2, 1008, 1, 8, 1, 2, 1008}) // count promises far more than is there
    };
    for (size_t i = 0; i < refused.size(); ++i) {
        LineColorList colors;
        colors.Set(4, Color(0x44, 4));
        colors.Set(255, Color(0x55));
        ByteReader in(refused[i]);
        EXPECT_FALSE(colors.Read(in, 200)) << "case " << i;
        EXPECT_EQ(in.Position(), 0u) << "case " << i;
        EXPECT_EQ(colors.Count(), 2) << "case " << i;
        EXPECT_EQ(*colors.Slot(4), Color(0x44, 4)) << "case " << i;
    }
}

TEST(AppearanceTable, TheStatedPayloadSizeIsNotTrusted) {
    // Payloads have a fixed layout; a wrong size word neither shifts the read nor runs past the end.
    const auto bytes = Ints({2, 1, -5, 0x10, 7, 1008, 2, 0x7FFFFFFF, 0x20, 8, 1008});
    LineColorList colors;
    ByteReader in(bytes);
    ASSERT_TRUE(colors.Read(in, 200));
    EXPECT_EQ(*colors.Slot(1), Color(0x10, 7));
    EXPECT_EQ(*colors.Slot(2), Color(0x20, 8));
}

TEST(AppearanceTable, CopyAndEqualsCompareSlotBySlotWithinTheTable) {
    LineColorList a;
    a.Set(3, Color(0x30));
    LineColorList b;
    b.Set(0, Color(0x30));
    EXPECT_FALSE(b.Equals(a)) << "the same record in another slot";
    ASSERT_TRUE(b.Copy(a));
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(b.Slot(0), nullptr);
    EXPECT_FALSE(b.Set(256, Color(1)));
    EXPECT_FALSE(b.Set(-1, Color(1)));
    EXPECT_EQ(b.Slot(-1), nullptr);
    EXPECT_EQ(b.Slot(256), nullptr);

    // Line appearances compare by what they draw.
    LineAppearanceList x;
    LineAppearanceList y;
    x.Set(0, Appearance(1, 2));
    LineAppearance same = Appearance(1, 2);
    same.reference = 5;
    y.Set(0, same);
    EXPECT_TRUE(x.Equals(y));
}

TEST(AppearanceTable, NewLayerTablesStartWithTheirDefaultEntries) {
    LineAppearanceList lines;
    lines.Set(10, Appearance(5, 5));
    lines.InitDefaults();
    ASSERT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines.Slot(0)->mark, 1);
    EXPECT_EQ(lines.Slot(0)->level, 255);
    EXPECT_EQ(*lines.Slot(0), LineAppearance{});
    EXPECT_EQ(*lines.Slot(1), Appearance(1, 20));
    EXPECT_EQ(*lines.Slot(2), Appearance(20, 20));
    EXPECT_EQ(*lines.Slot(3), Appearance(0, 0, 1));

    CColorAppearanceList paints;
    paints.InitDefaults();
    ASSERT_EQ(paints.Count(), 12);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(paints.Slot(k)->reference, k);
        EXPECT_EQ(paints.FindOrAdd(*paints.Slot(k)), k) << "every entry is distinct";
    }
    EXPECT_EQ(paints.Slot(0)->p1, 255);
}

// Drawings saved before the shares of types 3 and 5 were put right read with the right ones; a table
// whose entries differ in any other way is the drawing's own and stays as stored.
TEST(AppearanceTable, ColourTablesWithTheEarlierReversedSharesReadPutRight) {
    CColorAppearanceList earlier;
    earlier.InitDefaults();
    earlier.Set(3, CColorAppearance{3, 192});
    earlier.Set(5, CColorAppearance{5, 64});
    ByteWriter out;
    earlier.Write(out);
    CColorAppearanceList read;
    ByteReader in(out.Data());
    ASSERT_TRUE(read.Read(in, 200));
    CColorAppearanceList fresh;
    fresh.InitDefaults();
    EXPECT_TRUE(read.Equals(fresh));
    EXPECT_EQ(read.Slot(5)->p1, 192) << "strong pencil over opaque paper is mostly pencil";
    EXPECT_EQ(read.Slot(3)->p1, 64);

    CColorAppearanceList own = earlier;
    own.Set(5, CColorAppearance{5, 64, 7}); // another setting byte of its own
    ByteWriter ownOut;
    own.Write(ownOut);
    CColorAppearanceList ownRead;
    ByteReader ownIn(ownOut.Data());
    ASSERT_TRUE(ownRead.Read(ownIn, 200));
    EXPECT_TRUE(ownRead.Equals(own));
}

} // namespace
} // namespace ts
