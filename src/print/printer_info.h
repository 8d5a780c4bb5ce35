#pragma once

#include "platform/printer.h"
#include "platform/profile_manager.h"

#include <cstdint>

namespace ts {

// The printer description kept in the settings ("Settings": "PrinterResolutionX" .. "Resolution"),
// read at start. A print setup stores the chosen printer's values, so that the page's printable area
// follows the printer last used. Values that are not positive are ignored where they would divide.
struct PrinterInfo {
    int32_t resolutionX = 600;
    int32_t resolutionY = 600;
    int32_t substrateWidth = 5100;
    int32_t substrateHeight = 6600;
    int32_t leftMargin = 150;
    int32_t topMargin = 42;
    int32_t printableWidth = 4800;
    int32_t printableHeight = 6282;
    int32_t planes = 1;
    int32_t bitsPerPixel = 24;
    int32_t capabilities = 28313;
    int32_t lineWidth = 4;
    int32_t screenSize = 3;
    int32_t resolution = 400; // the page resolution of traced-layer printing, dots per inch

    void Load(ProfileManager& profile);
    // Takes a set-up printer's values and writes them to the settings.
    void Store(ProfileManager& profile, const PrinterDescription& d);
    // The paper in inches; 0 when the resolution is not positive.
    double PaperWidthInches() const { return resolutionX > 0 ? double(substrateWidth) / resolutionX : 0.0; }
    double PaperHeightInches() const { return resolutionY > 0 ? double(substrateHeight) / resolutionY : 0.0; }
    // The traced-layer page resolution, 400 when the stored one is not positive.
    int32_t PageResolution() const { return resolution > 0 ? resolution : 400; }
    // The description these values give (as if the printer had been set up so).
    PrinterDescription Description() const;
};

} // namespace ts
