#include "modes/layer_effect.h"

#include "platform/progress_meter.h"

#include <algorithm>

namespace ts {

bool LayerEffect::Activate() {
    ShowPanel();
    m_recordedLayer = 0;
    m_savedLayer = 0;
    m_saved.clear();
    SavedLayer();
    return true;
}

bool LayerEffect::Deactivate(int32_t /*how*/) {
    HidePanel();
    // The result stays; the copy it was made from is no longer needed.
    m_saved.clear();
    m_savedLayer = 0;
    return true;
}

bool LayerEffect::OnPanelCommand(int32_t id) {
    if (const auto* slider = dynamic_cast<const SliderCtrl*>(Panel().Find(id));
        slider && slider->IsTracking()) {
        return true; // the readout follows the thumb; the work waits for the final position
    }
    if (id == kResetId) {
        Reset();
        return true;
    }
    return Command(id);
}

bool LayerEffect::Reset() {
    ResetControls();
    return Apply();
}

int32_t LayerEffect::SliderValue(int32_t id) const {
    const auto* slider = dynamic_cast<const SliderCtrl*>(Panel().Find(id));
    return slider ? slider->GetPos() : 0;
}

void LayerEffect::SetSlider(int32_t id, int32_t value) {
    if (auto* slider = dynamic_cast<SliderCtrl*>(Panel().Find(id))) {
        slider->SetPos(value);
    }
}

bool LayerEffect::Checked(int32_t id) const {
    const auto* box = dynamic_cast<const CheckBox*>(Panel().Find(id));
    return box && box->GetCheck();
}

const LayerObject* LayerEffect::MaskLayer(int32_t useMaskId) const {
    if (!Checked(useMaskId)) {
        return nullptr;
    }
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_c.stack.Count(); ++i) {
        const LayerObject* layer = m_c.stack.Layer(i);
        if (layer && layer->name == kMaskLayerName) {
            return layer;
        }
    }
    return nullptr;
}

void LayerEffect::MaskWeights(const LayerObject& mask, const LayerObject& layer, int32_t row, int32_t width) {
    m_weights.assign(static_cast<size_t>(width), 255);
    const RLBuffer* lighting = mask.shadow ? mask.shadow->lighting.get() : nullptr;
    if (!lighting || !lighting->IsCreated()) {
        return;
    }
    const int32_t maskRow = row + layer.offsetY - mask.offsetY;
    if (maskRow < 0 || maskRow >= lighting->Height()) {
        return;
    }
    m_maskRow.resize(static_cast<size_t>(lighting->Width()));
    lighting->ReadRow(maskRow, m_maskRow.data());
    const int32_t shift = layer.offsetX - mask.offsetX;
    for (int32_t x = std::max(0, -shift); x < width && x + shift < lighting->Width(); ++x) {
        m_weights[static_cast<size_t>(x)] =
            static_cast<uint8_t>(std::min(2 * m_maskRow[static_cast<size_t>(x + shift)], 255));
    }
}

void LayerEffect::RecordOnce() {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (layer && m_recordedLayer != layer->id) {
        m_c.undo.SnapshotCurrentLayer(false);
        m_recordedLayer = layer->id;
    }
}

void LayerEffect::RepaintDrawing() {
    m_c.refresh.MarkViewContents(m_c.stack.DrawingRect());
    m_c.refresh.Refresh("");
}

LayerObject* LayerEffect::SavedLayer() {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        return nullptr;
    }
    if (m_savedLayer == layer->id && !m_saved.empty()) {
        return layer;
    }
    m_saved.clear();
    m_savedLayer = 0;
    const std::vector<RLBuffer*> channels = Channels(*layer);
    if (channels.empty()) {
        return layer;
    }
    for (const RLBuffer* channel : channels) {
        auto copy = std::make_unique<RLBuffer>();
        if (!copy->CopyFrom(*channel)) {
            m_saved.clear();
            return nullptr;
        }
        m_saved.push_back(std::move(copy));
    }
    m_savedLayer = layer->id;
    return layer;
}

bool LayerEffect::Apply() {
    LayerObject* layer = SavedLayer();
    if (!layer) {
        return false;
    }
    const std::vector<RLBuffer*> channels = Channels(*layer);
    if (channels.empty() || channels.size() != m_saved.size()) {
        m_c.prompt.SetPrompt(MissingPrompt());
        return false;
    }
    WaitCursor wait(m_c.ui);
    RecordOnce();
    Prepare(*layer);
    const int32_t height = channels[0]->Height();
    const auto w = static_cast<size_t>(channels[0]->Width());
    m_savedRows.resize(channels.size());
    m_outRows.resize(channels.size());
    m_savedPointers.resize(channels.size());
    m_outPointers.resize(channels.size());
    for (size_t i = 0; i < channels.size(); ++i) {
        m_savedRows[i].resize(w);
        m_outRows[i].resize(w);
        m_savedPointers[i] = m_savedRows[i].data();
        m_outPointers[i] = m_outRows[i].data();
    }
    ProgressMeter& meter = m_c.ui.Progress();
    meter.Start(height);
    for (int32_t row = 0; row < height; ++row) {
        RewriteRow(*layer, row, channels);
        meter.Step();
    }
    meter.Finish();
    RepaintDrawing();
    return true;
}

void LayerEffect::RewriteRow(LayerObject& layer, int32_t row, const std::vector<RLBuffer*>& channels) {
    for (size_t i = 0; i < channels.size(); ++i) {
        m_saved[i]->ReadRow(row, m_savedRows[i].data());
    }
    ApplyRow(layer, row, m_savedPointers, m_outPointers);
    for (size_t i = 0; i < channels.size(); ++i) {
        channels[i]->PutRow(row, m_outRows[i].data());
    }
}

} // namespace ts
