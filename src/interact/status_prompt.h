#pragma once

#include "model/image_stack_manager.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>

namespace ts {

// The text of the status bar's first pane, with one step of memory: a temporary (hover) text replaces
// the prompt without losing it, and restoring brings the prompt back.
class StatusPrompt {
public:
    static constexpr int kPromptPane = 0;
    static constexpr int kLayerPane = 4;
    static constexpr int kZoomPane = 5;

    explicit StatusPrompt(UserInterface& ui) : m_ui(ui) {}

    void SetPrompt(const std::string& text);
    void SetTemporaryPrompt(const std::string& text);
    void RestorePrompt();

    const std::string& Current() const { return m_current; }
    const std::string& Previous() const { return m_previous; }
    bool IsTemporary() const { return m_temporary; }

private:
    UserInterface& m_ui;
    std::string m_current;
    std::string m_previous;
    bool m_temporary = false;
};

// Keeps the layer and zoom panes of the status bar up to date.
class StatusIndicators final : public StackListener {
public:
    StatusIndicators(UserInterface& ui, const ImageStackManager& stack) : m_ui(ui), m_stack(stack) {}

    // "Layer: <name>: <i> of <n>" for the current drawing layer (the name part only for a named
    // layer), "Layer:   none" without drawing layers.
    static std::string LayerText(const ImageStackManager& stack);
    // " Zoom: <percent>%" for a zoom factor: 100 / -z when shrinking, 100 z when magnifying, 100 at 0.
    static std::string ZoomText(int32_t zoom);

    void LayerIndicatorChanged() override { UpdateLayer(); }
    void UpdateLayer();
    void UpdateZoom(int32_t zoom);

private:
    UserInterface& m_ui;
    const ImageStackManager& m_stack;
};

} // namespace ts
