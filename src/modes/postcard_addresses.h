#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>

namespace ts {

// The postcard address mode: shows the next address the back of a card will carry, and starts the
// list again from its first line.
class PostCardAddresses final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Set Postcard Address";
    static constexpr const char* kPrompt = "Set Next address for printing.";
    static constexpr int32_t kDisplayNextButton = 101;
    static constexpr int32_t kResetIndexButton = 102;
    static constexpr const char* kNoAddress = "There is no next address in the postcard address list.";

    PostCardAddresses(UserInterface& ui, ProfileManager& profile, std::string programFolder)
        : EnvEffect(Env::kPostcardId), m_ui(ui), m_profile(profile),
          m_programFolder(std::move(programFolder)) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t) override { return true; }
    bool OnPanelCommand(int32_t id) override;

    // "Display Next Address": the address at the index, its three lines in a message.
    void DisplayNextAddress();
    // "Reset Address Index": the next card takes the first address.
    void ResetAddressIndex();
    std::string ListPath();

private:
    void CreatePanel() override;

    UserInterface& m_ui;
    ProfileManager& m_profile;
    std::string m_programFolder;
};

} // namespace ts
