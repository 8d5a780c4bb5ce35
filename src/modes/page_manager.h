#pragma once

#include "document/layer_operations.h"
#include "interact/controls.h"
#include "interact/env.h"
#include "model/image_stack_manager.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>

namespace ts {

// The page layout mode: the size of the page the drawing lies on, in page pixels and in inches at a
// chosen number of dots per inch, and "Update" to lay the drawing out on the page typed.
//
// How the bar behaves:
// - Entering the mode shows the page the drawing lies on now (its pixels, and inches at the bar's dots
//   per inch), so "Update" on untouched edits leaves the drawing as it is. An opened drawing whose
//   page record does not match it shows four page pixels for each of its pixels.
// - Pixels are what "Update" applies; the inch edits follow them (pixels / dpi). Typing inches sets
//   the pixels (inches x dpi, rounded). The dots per inch only say how pixels read as inches: changing
//   them changes the inches shown, never the page.
// - "Update" takes whole numbers of 4 to 4 x 32768 pixels a side (one drawing pixel up to the largest
//   drawing a file holds); anything else is refused with a message and changes nothing.
// - "Reset" puts the edits back to the page the drawing lies on, dropping what was typed since.
// - "Layouts" (section and value of that name) keeps the last page laid out and its dots per inch as
//   "width height dpi"; the bar opens with that dpi in later sessions. New drawings still take their
//   size from the preferences.
class PageManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Page Size";
    static constexpr const char* kPrompt = "Check Page Size.";
    static constexpr int32_t kLayoutButton = 101;
    static constexpr int32_t kInchesWidth = 102;
    static constexpr int32_t kInchesHeight = 103;
    static constexpr int32_t kPixelsWidth = 104;
    static constexpr int32_t kPixelsHeight = 105;
    static constexpr int32_t kDotsPerInch = 106;
    static constexpr int32_t kUpdateButton = 107;
    static constexpr int32_t kResetButton = 108;
    // The bar's values before it first shows a page.
    static constexpr int32_t kStartWidth = 14400;
    static constexpr int32_t kStartHeight = 10800;
    static constexpr int32_t kStartDotsPerInch = 300;
    static constexpr int32_t kMaxDotsPerInch = 4800;
    static constexpr const char* kRefused =
        "The page size must be whole numbers of pixels, from 4 to 131072.";

    PageManager(LayerOperations& operations, ImageStackManager& stack, ProfileManager& profile,
                UserInterface& ui);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;

    // Lays the drawing out on the page of the pixel edits; false (with the message) when refused.
    bool Update();
    // The edits show the page the drawing lies on.
    void Reset();
    int32_t DotsPerInch() const { return m_dotsPerInch; }
    // The page the drawing lies on, in page pixels.
    int32_t PageWidth() const;
    int32_t PageHeight() const;
    // Inches as the bar shows them: up to three decimals, no trailing zeros ("48", "36.01").
    static std::string FormatInches(double inches);

private:
    void CreatePanel() override;
    EditBox* Edit(int32_t id) const;
    void SetText(int32_t id, const std::string& text);
    void PixelsToInches(int32_t pixelsId, int32_t inchesId);
    void InchesToPixels(int32_t inchesId, int32_t pixelsId);
    void ReadLayouts();

    LayerOperations& m_operations;
    ImageStackManager& m_stack;
    ProfileManager& m_profile;
    UserInterface& m_ui;
    int32_t m_dotsPerInch = kStartDotsPerInch;
    bool m_layoutsRead = false;
};

} // namespace ts
