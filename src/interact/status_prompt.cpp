#include "interact/status_prompt.h"

namespace ts {

void StatusPrompt::SetPrompt(const std::string& text) {
    m_ui.SetStatusPane(kPromptPane, text);
    m_temporary = false;
    m_previous = m_current;
    m_current = text;
}

void StatusPrompt::SetTemporaryPrompt(const std::string& text) {
    m_ui.SetStatusPane(kPromptPane, text);
    if (!m_temporary) {
        m_temporary = true;
        m_previous = m_current;
    }
    m_current = text;
}

void StatusPrompt::RestorePrompt() {
    if (m_temporary) {
        const std::string previous = m_previous; // SetPrompt overwrites it
        SetPrompt(previous);
        m_temporary = false;
    }
}

std::string StatusIndicators::LayerText(const ImageStackManager& stack) {
    const int32_t current = stack.Current();
    const LayerObject* layer = stack.Layer(current);
    if (stack.Count() <= ImageStackManager::kFirstDrawingLayer || !layer ||
        current < ImageStackManager::kFirstDrawingLayer) {
        return "Layer:   none";
    }
    std::string text = "Layer: ";
    if (!layer->name.empty()) {
        text += layer->name + ": ";
    }
    return text + std::to_string(current - 1) + " of " + std::to_string(stack.Count() - 2);
}

std::string StatusIndicators::ZoomText(int32_t zoom) {
    const int32_t percent = zoom < 0 ? 100 / -zoom : zoom == 0 ? 100 : 100 * zoom;
    return " Zoom: " + std::to_string(percent) + "%";
}

void StatusIndicators::UpdateLayer() {
    m_ui.SetStatusPane(StatusPrompt::kLayerPane, LayerText(m_stack));
}

void StatusIndicators::UpdateZoom(int32_t zoom) {
    m_ui.SetStatusPane(StatusPrompt::kZoomPane, ZoomText(zoom));
}

} // namespace ts
