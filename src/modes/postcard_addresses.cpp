#include "modes/postcard_addresses.h"

#include "print/postcards.h"

namespace ts {

namespace {

constexpr Rect kDisplayRect{140, 37, 290, 57};
constexpr Rect kResetRect{295, 37, 445, 57};

} // namespace

void PostCardAddresses::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kDisplayRect, "Display Next Address", kDisplayNextButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset Address Index", kResetIndexButton, this);
}

bool PostCardAddresses::Activate() {
    ShowPanel();
    return true;
}

bool PostCardAddresses::Deactivate(int32_t /*how*/) {
    HidePanel();
    return true;
}

bool PostCardAddresses::OnPanelCommand(int32_t id) {
    if (id == kDisplayNextButton) {
        DisplayNextAddress();
        return true;
    }
    if (id == kResetIndexButton) {
        ResetAddressIndex();
        return true;
    }
    return false;
}

std::string PostCardAddresses::ListPath() {
    return AddressListPath(m_profile, m_programFolder);
}

void PostCardAddresses::DisplayNextAddress() {
    PostalAddress address;
    if (!ReadAddressAt(ListPath(), m_profile.Get(settings::kAddressIndex), address)) {
        m_ui.ShowMessage(kNoAddress, "", MessageIcon::Information);
        return;
    }
    m_ui.ShowMessage(address.name + "\n" + address.street + "\n" + address.city, "",
                     MessageIcon::Information);
}

void PostCardAddresses::ResetAddressIndex() {
    m_profile.Set(settings::kAddressIndex, 0);
}

} // namespace ts
