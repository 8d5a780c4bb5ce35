#pragma once

#include "interact/env.h"
#include "interact/screen_tool.h"
#include "modes/brush_stroke.h"
#include "modes/text_manager.h"
#include "render/compositor.h"

#include <cstdint>
#include <string>

namespace ts {

// The lettering-tool mode: the panel picks the font, size and letter spacing, a click of the lettering
// tool places a new text, and every key typed goes into it (the frame's letter keys are suspended
// while the mode is current).
class TextToolManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Caption";
    static constexpr const char* kPrompt = "Select font and size and then click on the location.";
    // The families tried first for the "Font" selection, in this order; else the first family.
    static constexpr const char* kPreferredFamily = "Stylistic SF";
    static constexpr const char* kFallbackFamily = "Arial";
    static constexpr const char* kSizes[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                             "9",  "10", "11", "12", "14", "16", "18", "20",
                                             "24", "30", "36", "48", "60", "72"};
    static constexpr const char* kDefaultSize = "12";

    // Panel identifiers.
    static constexpr int32_t kCaptionTitle = 100;
    static constexpr int32_t kFontCombo = 101;
    static constexpr int32_t kSizeCombo = 102;
    static constexpr int32_t kSpacingBox = 103;
    static constexpr int32_t kUpdate = 104;

    TextToolManager(PaintingContext& context, TextManager& text, ViewSwitches& switches);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    // The lettering tool's press: a new text starts at the tool's press point.
    bool OnToolPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnPaletteColorChanged() override;

    // The character a key types on a US keyboard (key flags: Shift, Caps Lock); 0 for a key that types
    // nothing (Backspace included).
    static char32_t TypedCharacter(uint32_t key, uint32_t flags);

    bool TypingActive() const { return m_typing; }
    bool IsActive() const { return m_active; }
    IntPoint TextPosition() const { return m_position; }
    // The panel's values: the family selected, the size in points and the spacing in em.
    std::string SelectedFamily() const;
    double SelectedSize() const;
    double SelectedSpacing() const;

private:
    void CreatePanel() override;
    // Renders the text being typed (update) or starts a new one with the panel's values.
    bool Apply(bool update);

    PaintingContext& m_c;
    TextManager& m_text;
    ViewSwitches& m_switches;
    IntPoint m_position;
    uint32_t m_color = 0;
    bool m_typing = false;
    bool m_active = false;
};

// Editing lettering already on the drawing. Entered with its title and prompt; it has no panel.
class TextEntryManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Lettering";
    static constexpr const char* kPrompt = "Edit Lettering";
    TextEntryManager() : EnvTool(kLettersId) {}
    bool Activate() override { return true; }
};

// The lettering tool: enters the lettering-tool mode, and its press places the text there.
class TextTool final : public ScreenTool {
public:
    TextTool(ToolContext& context, int32_t commandId) : ScreenTool(context, commandId) {}
    void SetMode(TextToolManager* mode) { m_mode = mode; }
    void Activate() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    void SetCursor() override;

private:
    TextToolManager* m_mode = nullptr;
};

} // namespace ts
