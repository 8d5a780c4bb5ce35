#pragma once

#include "platform/printer.h"
#include "platform/profile_manager.h"
#include "platform/profile_settings.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>

namespace ts {

// Postcards: the card is 6 x 4.25 in; the back carries one address of the list, the next one each time.
namespace postcards {
inline constexpr double kCardWidthInches = 6.0;
inline constexpr double kCardHeightInches = 4.25;
inline constexpr int32_t kCardDotsPerInch = 300;
// Where the address goes on the back, and its line spacing, in dots of a 600 dpi device (scaled by
// dpi / 600 on others): the right half of the card, a little above its middle.
inline constexpr int32_t kAddressX = 1920;
inline constexpr int32_t kAddressY = 1050;
inline constexpr int32_t kLineStep = 110;
inline constexpr const char* kFont = "Verdana";
inline constexpr int32_t kPoints = 11;
// The list's path (default: "ZARUnitedStatesBare.txt" in the program folder).
inline constexpr TextSetting kListPath{"Postcards", "Address List", ""};
inline constexpr const char* kDefaultListName = "ZARUnitedStatesBare.txt";
} // namespace postcards

// One address of the list: the name, the street and the city line ("city, state  code").
struct PostalAddress {
    std::string name;
    std::string street;
    std::string city;
};

// The address at the stored index; false when the list is missing, ends first or a text is too long.
bool ReadAddressAt(const std::string& listPath, int32_t index, PostalAddress& address);

// The list's path: the setting, or the default file in the program folder.
std::string AddressListPath(ProfileManager& profile, const std::string& programFolder);

// Prints the back of a card: the next address at the address position, then the index moves on.
// Nothing is printed (and the index stays) when there is no next address or the printer is not set up.
bool PrintPostcardBack(Printer& printer, UserInterface& ui, ProfileManager& profile,
                       const std::string& listPath);

} // namespace ts
