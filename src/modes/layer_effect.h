#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"
#include "raster/rl_buffer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// What the whole-layer effect modes share. On entering, the mode keeps a copy of the channels its effect
// rewrites; every application recomputes the layer from that copy, so a slider moved back gives the
// starting pixels again. Sliders apply at their final position only (tracking moves the readout);
// "Reset" puts every control back and applies; leaving keeps the result. Each application runs under
// the wait cursor with the progress meter stepping once per row, and ends with a recomposite of the
// whole drawing. One undo record per visit, taken before the first change: one Undo returns to the
// layer as it was on entering.
class LayerEffect : public EnvEffect {
public:
    static constexpr int32_t kResetId = 106;
    // The layer whose lighting weighs an effect where "Use Mask" is checked.
    static constexpr const char* kMaskLayerName = "Mask";

    explicit LayerEffect(PaintingContext& context) : EnvEffect(kLightingEffectsId), m_c(context) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;

    // Recomputes the layer from the saved copy with the controls' values; false (and a prompt) when the
    // current layer lacks what the effect changes.
    virtual bool Apply();
    // Every control back to its starting value, then applied.
    bool Reset();

    // Whether the visit has taken its undo record yet (for tests and the gradient's new layer).
    bool Recorded() const { return m_recordedLayer != 0; }

protected:
    // A panel command other than a tracking slider move; true when known.
    virtual bool Command(int32_t id) = 0;
    virtual void ResetControls() = 0;
    // The channels the effect rewrites, in a fixed order; empty when the layer lacks any of them.
    virtual std::vector<RLBuffer*> Channels(LayerObject& layer) = 0;
    // The prompt shown when the current layer lacks those channels.
    virtual const char* MissingPrompt() const = 0;
    // Writes one row of the layer from the saved rows (one per channel, as Channels lists them) into
    // out (likewise), each of the layer's width.
    virtual void ApplyRow(LayerObject& /*layer*/, int32_t /*row*/,
                          const std::vector<const uint8_t*>& /*saved*/,
                          const std::vector<uint8_t*>& /*out*/) {}
    // Rewrites one row of the channels from the saved copy. By default the saved rows are decoded,
    // ApplyRow makes the new ones and they are stored; effects that can work on the runs of the
    // stored rows do so instead.
    virtual void RewriteRow(LayerObject& layer, int32_t row, const std::vector<RLBuffer*>& channels);
    // The saved copy of channel i (as Channels lists them).
    const RLBuffer& Saved(size_t i) const { return *m_saved[i]; }
    // Rows of the layer's width for RewriteRow, one per channel, kept over the rows of an application:
    // the saved rows and the new ones.
    std::vector<std::vector<uint8_t>> m_savedRows;
    std::vector<std::vector<uint8_t>> m_outRows;
    std::vector<const uint8_t*> m_savedPointers;
    std::vector<uint8_t*> m_outPointers;
    // Called once before the rows of an application (tables built from the controls).
    virtual void Prepare(LayerObject& /*layer*/) {}

    int32_t SliderValue(int32_t id) const;
    void SetSlider(int32_t id, int32_t value);
    bool Checked(int32_t id) const;
    // The undo record of the current layer, once per visit.
    void RecordOnce();
    // The whole drawing recomposited, with an empty reason.
    void RepaintDrawing();
    // The layer named "Mask" when the box is checked, else null.
    const LayerObject* MaskLayer(int32_t useMaskId) const;
    // The mask weights along a row of the layer (0 = the new pixel, 255 = the saved one): twice the
    // mask layer's lighting level at the same drawing pixel, at most 255; neutral (255) where the mask
    // layer has no pixel or no lighting.
    void MaskWeights(const LayerObject& mask, const LayerObject& layer, int32_t row, int32_t width);
    std::vector<uint8_t> m_weights;

    // The visit's undo record of this layer exists already (a layer the visit made).
    void MarkRecorded(uint32_t layerId) { m_recordedLayer = layerId; }

    PaintingContext& m_c;

private:
    // The current drawing layer with its saved copy (taken anew when the layer changed since), or null.
    LayerObject* SavedLayer();

    std::vector<std::unique_ptr<RLBuffer>> m_saved;
    std::vector<uint8_t> m_maskRow;
    uint32_t m_savedLayer = 0;
    uint32_t m_recordedLayer = 0;
};

} // namespace ts
