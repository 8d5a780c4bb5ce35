#include "print/printer_info.h"

#include "platform/profile_settings.h"

namespace ts {

void PrinterInfo::Load(ProfileManager& profile) {
    resolutionX = profile.Get(settings::kPrinterResolutionX);
    resolutionY = profile.Get(settings::kPrinterResolutionY);
    substrateWidth = profile.Get(settings::kSubstrateWidth);
    substrateHeight = profile.Get(settings::kSubstrateHeight);
    leftMargin = profile.Get(settings::kLeftMargin);
    topMargin = profile.Get(settings::kTopMargin);
    printableWidth = profile.Get(settings::kPrintableWidth);
    printableHeight = profile.Get(settings::kPrintableHeight);
    planes = profile.Get(settings::kPlanes);
    bitsPerPixel = profile.Get(settings::kBitsPerPixel);
    capabilities = profile.Get(settings::kCapabilities);
    lineWidth = profile.Get(settings::kLineWidth);
    screenSize = profile.Get(settings::kScreenSize);
    resolution = profile.Get(settings::kResolution);
}

void PrinterInfo::Store(ProfileManager& profile, const PrinterDescription& d) {
    // A device that reports nonsense (no resolution, an empty sheet) leaves the stored printer as it was.
    if (d.dpiX <= 0 || d.dpiY <= 0 || d.physicalWidth <= 0 || d.physicalHeight <= 0 ||
        d.printableWidth <= 0 || d.printableHeight <= 0) {
        return;
    }
    resolutionX = d.dpiX;
    resolutionY = d.dpiY;
    substrateWidth = d.physicalWidth;
    substrateHeight = d.physicalHeight;
    leftMargin = d.offsetX;
    topMargin = d.offsetY;
    printableWidth = d.printableWidth;
    printableHeight = d.printableHeight;
    profile.Set(settings::kPrinterResolutionX, resolutionX);
    profile.Set(settings::kPrinterResolutionY, resolutionY);
    profile.Set(settings::kSubstrateWidth, substrateWidth);
    profile.Set(settings::kSubstrateHeight, substrateHeight);
    profile.Set(settings::kLeftMargin, leftMargin);
    profile.Set(settings::kTopMargin, topMargin);
    profile.Set(settings::kPrintableWidth, printableWidth);
    profile.Set(settings::kPrintableHeight, printableHeight);
}

PrinterDescription PrinterInfo::Description() const {
    PrinterDescription d;
    d.dpiX = resolutionX;
    d.dpiY = resolutionY;
    d.physicalWidth = substrateWidth;
    d.physicalHeight = substrateHeight;
    d.offsetX = leftMargin;
    d.offsetY = topMargin;
    d.printableWidth = printableWidth;
    d.printableHeight = printableHeight;
    return d;
}

} // namespace ts
