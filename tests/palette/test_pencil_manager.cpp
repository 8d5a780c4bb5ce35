#include "palette/color_keys.h"
#include "palette/pencil_manager.h"
#include "platform/headless_user_interface.h"

#include "palette/listing_text.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

class PencilManagerTest : public testing::Test {
protected:
    void Load(const std::vector<std::string>& texts) {
        listings.LoadFromContents(std::vector<std::string_view>(texts.begin(), texts.end()), ui);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int32_t i = 0; i < pencils.Count(); ++i) {
            names.push_back(pencils.Pencil(i)->name);
        }
        return names;
    }

    HeadlessUserInterface ui;
    ToolListings listings;
    PencilManager pencils{listings, ui};
};

TEST_F(PencilManagerTest, TellsTheUserWhenAtMostOneToolQualifiesAndStaysEmpty) {
    Load({ListingText("Acme 12", "Colored Pencil", {ToolLine("Red", "1", 200, 0, 0)})}); // set not enabled
    EXPECT_EQ(pencils.Build(), 0); // only the built-in surface qualifies
    EXPECT_EQ(pencils.Count(), 0);
    EXPECT_EQ(pencils.Pencil(0), nullptr);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, "Can't find any enabled rendering tools.");
    EXPECT_EQ(ui.Messages()[0].caption, "Tintsmith Info");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.Messages()[0].buttons, MessageButtons::Ok);

    ui.ClearMessages();
    ASSERT_TRUE(listings.SetSetEnabled(1, true));
    EXPECT_EQ(pencils.Build(), 2);
    EXPECT_TRUE(ui.Messages().empty());
    // A list built before the listings shrank finds no tool rather than a freed one.
    Load({});
    EXPECT_EQ(pencils.Pencil(1), nullptr);
}

TEST_F(PencilManagerTest, CollectsEnabledVisibleToolsOfEnabledSetsAndTypesSortedByHue) {
    Load({ListingText("PrismaColor 120", "Colored Pencil",
                      {ToolLine("Blue", "1", 0, 0, 248), ToolLine("Green", "2", 0, 248, 0),
                       ToolLine("Teal A", "3", 0, 128, 128), ToolLine("Hidden", "4", 0, 200, 0),
                       ToolLine("Off", "5", 0, 0, 200), ToolLine("Teal B", "6", 0, 128, 128),
                       ToolLine("Red", "7", 200, 0, 0), ToolLine("Teal C", "8", 0, 128, 128)}),
          ListingText("Markers", "Marker", {ToolLine("Marker", "1", 200, 200, 0)}),
          ListingText("Other Pencils", "Colored Pencil", {ToolLine("Other", "1", 100, 50, 0)})});
    ASSERT_TRUE(listings.SetToolHidden(4, true));
    ASSERT_TRUE(listings.SetToolEnabled(5, false));
    ASSERT_TRUE(listings.SetSetEnabled(listings.FindSet("Markers"), true)); // its type stays disabled

    ASSERT_EQ(pencils.Build(), 7);
    // Equal hues keep their listing order.
    EXPECT_EQ(Names(), (std::vector<std::string>{" VERY WHITE", "Red", "Green", "Teal A", "Teal B", "Teal C",
                                                 "Blue"}));
    for (int32_t i = 1; i < pencils.Count(); ++i) {
        EXPECT_LE(pencils.Pencil(i - 1)->hueAngle, pencils.Pencil(i)->hueAngle);
    }
    EXPECT_EQ(pencils.ToolIndices()[1], 7);
    EXPECT_TRUE(ui.Messages().empty());

    // Enabling the marker type brings in its set.
    ASSERT_TRUE(listings.SetTypeEnabled(
        listings.Sets()[static_cast<size_t>(listings.FindSet("Markers"))].typeIndex, true));
    EXPECT_EQ(pencils.Build(), 8);
}

} // namespace
} // namespace ts
