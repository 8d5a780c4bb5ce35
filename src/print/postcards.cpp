#include "print/postcards.h"

#include "print/address_list.h"

namespace ts {

bool ReadAddressAt(const std::string& listPath, int32_t index, PostalAddress& address) {
    AddressList list;
    return index >= 0 && list.OpenAt(listPath, index) && list.ReadText(1, address.name) &&
           list.ReadText(1, address.street) && list.ReadText(3, address.city);
}

std::string AddressListPath(ProfileManager& profile, const std::string& programFolder) {
    const std::string stored = profile.Get(postcards::kListPath);
    return stored.empty() ? programFolder + postcards::kDefaultListName : stored;
}

bool PrintPostcardBack(Printer& printer, UserInterface& ui, ProfileManager& profile,
                       const std::string& listPath) {
    const int32_t index = profile.Get(settings::kAddressIndex);
    PostalAddress address;
    if (!ReadAddressAt(listPath, index, address)) {
        return false;
    }
    printer.SetDefaultFilePaper(postcards::kCardWidthInches, postcards::kCardHeightInches,
                                postcards::kCardDotsPerInch);
    if (!printer.SetupWithDialog()) {
        return false;
    }
    const PrinterDescription d = printer.Description();
    if (!printer.StartDoc("Tintsmith Postcard")) {
        printer.AbortDoc();
        return false;
    }
    WaitCursor wait(ui);
    // Positions are given for a 600 dpi device.
    auto dots = [](int32_t value, int32_t dpi) { return static_cast<int32_t>(int64_t{value} * dpi / 600); };
    const int32_t x = dots(postcards::kAddressX, d.dpiX);
    const std::string* lines[] = {&address.name, &address.street, &address.city};
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t y = dots(postcards::kAddressY + i * postcards::kLineStep, d.dpiY);
        printer.DrawText(x, y, *lines[i], postcards::kFont, postcards::kPoints);
    }
    if (!printer.EndDoc()) {
        return false;
    }
    profile.Set(settings::kAddressIndex, index + 1);
    return true;
}

} // namespace ts
