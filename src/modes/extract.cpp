#include "modes/extract.h"

#include "import/line_extraction.h"
#include "import/thinning.h"
#include "model/part_buffers.h"
#include "platform/profile_settings.h"
#include "render/line_renderer.h"

#include <algorithm>

namespace ts {

void Extract::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), Rect{10, 37, 72, 57}, "Extract", kTitleButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), Rect{80, 38, 140, 56}, "Extract", kAction, this);
    panel.Add<CheckBox>(PanelParent(), Rect{150, 38, 210, 56}, "Lines", kLines, this)
        .SetCheck(m_options[static_cast<size_t>(kLines - kLines)]);
    panel.Add<CheckBox>(PanelParent(), Rect{215, 38, 285, 56}, "Lighting", kLighting, this)
        .SetCheck(m_options[static_cast<size_t>(kLighting - kLines)]);
    panel.Add<CheckBox>(PanelParent(), Rect{290, 38, 350, 56}, "Color", kColor, this)
        .SetCheck(m_options[static_cast<size_t>(kColor - kLines)]);
    panel.Add<CheckBox>(PanelParent(), Rect{355, 38, 455, 56}, "GrayScale", kGrayScale, this)
        .SetCheck(m_options[static_cast<size_t>(kGrayScale - kLines)]);
    auto& threshold =
        panel.Add<SliderCtrl>(PanelParent(), Rect{465, 37, 765, 57}, "Threshold", kThreshold, this);
    threshold.SetRange(0, 100);
    threshold.SetPos(m_threshold);
    panel.Add<CheckBox>(PanelParent(), Rect{775, 38, 835, 56}, "Thin", kThin, this)
        .SetCheck(m_options[static_cast<size_t>(kThin - kLines)]);
}

bool Extract::Activate() {
    ShowPanel();
    return true;
}

bool Extract::Deactivate(int32_t /*how*/) {
    HidePanel();
    m_c.refresh.MarkStackFootprint();
    return true;
}

bool Extract::OnPanelCommand(int32_t id) {
    switch (id) {
    case kThreshold: {
        const auto* slider = dynamic_cast<const SliderCtrl*>(Panel().Find(kThreshold));
        if (slider && slider->IsTracking()) {
            return true;
        }
        // The release: the action button shows pressed while the extraction runs.
        auto* action = dynamic_cast<CHuecraftButton*>(Panel().Find(kAction));
        if (action) {
            action->SetState(CHuecraftButton::kPressed);
        }
        RunExtraction();
        if (action) {
            action->SetState(CHuecraftButton::kNormal);
        }
        return true;
    }
    case kAction:
        RunExtraction();
        return true;
    case kTitleButton:
    case kLines:
    case kLighting:
    case kColor:
    case kGrayScale:
    case kThin:
        return true;
    default:
        return false;
    }
}

// The settings live in the mode and show in the panel once it exists (it is made on the first visit,
// inside the control bar; an import may set them before that).
void Extract::SetOption(int32_t id, bool on) {
    if (id >= kLines && id <= kThin && id != kThreshold) {
        m_options[static_cast<size_t>(id - kLines)] = on;
    }
    if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(id))) {
        box->SetCheck(on);
    }
}

bool Extract::Option(int32_t id) const {
    if (const auto* box = dynamic_cast<const CheckBox*>(Panel().Find(id))) {
        return box->GetCheck();
    }
    return id >= kLines && id <= kThin && m_options[static_cast<size_t>(id - kLines)];
}

void Extract::SetThreshold(int32_t value) {
    m_threshold = std::clamp(value, 0, 100);
    if (auto* slider = dynamic_cast<SliderCtrl*>(Panel().Find(kThreshold))) {
        slider->SetPos(m_threshold);
    }
}

int32_t Extract::Threshold() const {
    const auto* slider = dynamic_cast<const SliderCtrl*>(Panel().Find(kThreshold));
    return slider ? slider->GetPos() : m_threshold;
}

void Extract::PrepareForImport(int32_t imageType) {
    SetOption(kLines, true);
    SetOption(kLighting, false);
    SetOption(kColor, false);
    SetOption(kGrayScale, false);
    SetOption(kThin, imageType == 1);
}

DecomposeOptions Extract::Options(bool lighting, bool color, bool grayScale) const {
    DecomposeOptions options;
    options.lighting = lighting;
    options.color = color;
    options.grayScale = grayScale;
    uint32_t paper = 0x00FFFFFF;
    if (const LayerObject* layer = m_c.stack.Layer(ImageStackManager::kPaperIndex);
        layer && layer->image && layer->image->Width() > 0) {
        paper = layer->image->AverageColor();
    }
    options.reference = ReferenceBrightness(paper);
    uint32_t backdrop = 0x00FFFFFF;
    if (const LayerObject* layer = m_c.stack.Layer(ImageStackManager::kBackdropIndex);
        layer && layer->image && layer->image->Width() > 0) {
        backdrop = layer->image->AverageColor();
    }
    options.neutralColor = NeutralSurfaceColor(backdrop);
    return options;
}

bool Extract::ExtractLines(LayerObject& layer) {
    if (!layer.image || layer.image->Width() <= 0) {
        // Nothing to take lines from: the lines there are redrawn from their buffer.
        LineRenderer renderer(layer);
        if (renderer.Valid()) {
            renderer.RedrawLines(renderer.LayerRectangle());
        }
        return renderer.Valid();
    }
    const Image24& picture = layer.image->pixels;
    std::vector<uint8_t> mask = ThresholdLineMask(picture, Threshold());
    const bool thin = Option(kThin);
    int32_t width = 1;
    if (thin) {
        ThinZhangSuen(mask, picture.Width(), picture.Height(), kThinPasses);
        width = std::clamp(m_profile.Get(settings::kThinLineIndex), 1, kMaxLineWidth);
    }
    return InstallLineMask(layer, mask, picture.Width(), picture.Height(), thin, width, &m_c.ui.Progress());
}

bool Extract::RunExtraction() {
    const bool lines = Option(kLines);
    const bool lighting = Option(kLighting);
    const bool color = Option(kColor);
    const bool gray = Option(kGrayScale);
    if (!lines && !lighting && !color && !gray) {
        return false;
    }
    LayerObject* source = CurrentDrawingLayer(m_c.stack);
    if (!source) {
        return false;
    }
    const bool hasPicture = source->image && source->image->Width() > 0;
    if (!hasPicture && (lighting || color || gray || !IsLineLayer(*source))) {
        m_c.prompt.SetPrompt(kNoPicture);
        return false;
    }
    WaitCursor wait(m_c.ui);
    LayerObject* target = source;
    if (lines) {
        m_c.undo.SnapshotCurrentLayer(false);
    } else {
        // A new layer over the picture, of its size and place.
        const int32_t w = source->image->Width();
        const int32_t h = source->image->Height();
        auto occupancy = parts::NewBuffer<SuperBitBuffer>(w, h, 2, 0);
        const int32_t x = source->offsetX;
        const int32_t y = source->offsetY;
        if (!occupancy || !m_c.stack.CreateDrawingLayer(std::move(occupancy), kExtractionName)) {
            return false;
        }
        target = m_c.stack.CurrentLayer();
        target->offsetX = x;
        target->offsetY = y;
        target->bounds = Rect{x, y, x + w, y + h};
        m_c.undo.SnapshotAddedLayer();
        m_c.refresh.MarkStackFootprint();
    }
    if (lighting || color || gray) {
        DecomposePicture(source->image->pixels, *target, Options(lighting, color, gray), &m_c.ui.Progress());
    }
    const bool onlyLighting = lighting && !color && !gray;
    if (onlyLighting || (!lighting && !color && !gray)) {
        const uint32_t fill = onlyLighting ? kLightingOnlySurface : 0x00FFFFFF;
        const int32_t w = target->PartWidth();
        const int32_t h = target->PartHeight();
        if (!target->color || target->color->Width() != w || target->color->Height() != h) {
            auto surface = std::make_unique<ObjectColor>();
            if (surface->Create(w, h, fill, 0)) {
                target->color = std::move(surface);
            }
        }
        if (target->color) {
            target->color->red->Fill(static_cast<uint8_t>(fill & 0xFF));
            target->color->green->Fill(static_cast<uint8_t>((fill >> 8) & 0xFF));
            target->color->blue->Fill(static_cast<uint8_t>((fill >> 16) & 0xFF));
            target->color->amount->Fill(0);
        }
    }
    if (lines) {
        ExtractLines(*target);
    }
    RepaintPage();
    return true;
}

bool Extract::ExtractBasicColors(bool withColor) {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !layer->image || layer->image->Width() <= 0) {
        m_c.prompt.SetPrompt(kNoPicture);
        return false;
    }
    WaitCursor wait(m_c.ui);
    m_c.undo.SnapshotCurrentLayer(false);
    DecomposePicture(layer->image->pixels, *layer, Options(true, withColor, false), &m_c.ui.Progress());
    RepaintPage();
    return true;
}

void Extract::RepaintPage() {
    m_c.refresh.MarkViewContents(m_c.stack.DrawingRect());
    m_c.refresh.Refresh("");
}

} // namespace ts
