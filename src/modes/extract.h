#pragma once

#include "import/color_decomposition.h"
#include "modes/brush_stroke.h"
#include "platform/profile_manager.h"

#include <array>
#include <cstdint>

namespace ts {

// The extraction mode: turns the current layer's picture into lines (a threshold on darkness, thinned
// to one pixel and given the nominal line width when "Thin" is on), lighting and colour. "Extract" (the
// second button) or the release of the "Threshold" slider runs it; moving the slider does nothing.
class Extract final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Extract";
    static constexpr const char* kPrompt = "Select Lines/Lighting/Color and threshold, then Extract.";
    static constexpr const char* kImportPrompt = "Adjust Line Extraction Threshold.";
    static constexpr const char* kNoPicture = "This layer has no picture to extract from.";
    static constexpr const char* kExtractionName = "Extraction";
    static constexpr const char* kLinesExplained =
        "The selected layer shows the lines from the image file.\n\nIf you want, you can adjust the "
        "Threshold slider to optimize\nthe lines.\n\nNote: The lines have been thinned to one line pixel "
        "and then a nominal width applied\nto this basic line.";
    static constexpr const char* kLineArtExplained =
        "The selected layer shows the line art from the image file.\n\nIf you want, you can adjust the "
        "Threshold slider to optimize\nthe line art.\n\nNote: Because it's line art, these areas of line "
        "pixels have not been thinned.";
    // The surface under lighting extracted alone: a warm neutral (red, green, blue).
    static constexpr uint32_t kLightingOnlySurface = 0x00C8D0D4; // 212, 208, 200
    static constexpr int32_t kTitleButton = 101;
    static constexpr int32_t kAction = 102;
    static constexpr int32_t kLines = 103;
    static constexpr int32_t kLighting = 104;
    static constexpr int32_t kColor = 105;
    static constexpr int32_t kGrayScale = 106;
    static constexpr int32_t kThreshold = 107;
    static constexpr int32_t kThin = 108;
    static constexpr int32_t kThresholdStart = 75;
    static constexpr int32_t kThinPasses = 30;

    Extract(PaintingContext& context, ProfileManager& profile)
        : EnvEffect(kExtractId), m_c(context), m_profile(profile) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;

    // Runs one extraction with the panel's settings; false when nothing was asked for or could be done.
    bool RunExtraction();
    // After an import of lines (1) or line art (2): "Lines" alone, "Thin" for lines.
    void PrepareForImport(int32_t imageType);
    // "Extract Basic Colors": the current layer's picture into its lighting, and with withColor its
    // colour too. False (and a prompt) when the layer holds no picture.
    bool ExtractBasicColors(bool withColor);

    // The panel's settings, for scripts and tests; the panel is made when missing.
    void SetOption(int32_t id, bool on);
    bool Option(int32_t id) const;
    void SetThreshold(int32_t value);
    int32_t Threshold() const;

private:
    void CreatePanel() override;
    // The reference brightness (from the paper layer's picture) and the neutral surface colour.
    DecomposeOptions Options(bool lighting, bool color, bool grayScale) const;
    bool ExtractLines(LayerObject& layer);
    void RepaintPage();

    PaintingContext& m_c;
    ProfileManager& m_profile;
    // "Lines" .. "Thin" by id - kLines (the threshold's slot unused): "Lines" alone at first.
    std::array<bool, 6> m_options{true, false, false, false, false, false};
    int32_t m_threshold = kThresholdStart;
};

} // namespace ts
