#pragma once

// A headless workspace with a drawing larger than its 200 x 150 client area, seen at 100 % from the
// drawing's corner, and stand-ins for the modes and tools that later work brings.

#include "document/drawing_test_support.h"
#include "interact/virtual_keys.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts::testing {

// A mode that counts its switches and records the keys and presses it is given.
class FakeMode final : public EnvTool {
public:
    FakeMode(int32_t id, bool quickSwitch) : EnvTool(id), m_quick(quickSwitch) {}

    bool Activate() override {
        ++activations;
        return activateShowsPrompt;
    }
    bool Deactivate(int32_t) override {
        ++deactivations;
        return true;
    }
    bool SupportsQuickSwitch() override { return m_quick; }
    bool OnKeyDown(uint32_t key, uint32_t, uint32_t) override {
        keys.push_back(key);
        return true;
    }
    bool OnDoubleClick(uint32_t, int32_t, int32_t) override {
        ++doubleClicks;
        return true;
    }

    int activations = 0;
    int deactivations = 0;
    int doubleClicks = 0;
    bool activateShowsPrompt = true;
    std::vector<uint32_t> keys;

private:
    bool m_quick;
};

// A tool whose selection enters its mode (as the line and paint tools do).
class FakeTool final : public ScreenTool {
public:
    FakeTool(ToolContext& context, int32_t commandId, Env* mode, std::string prompt)
        : ScreenTool(context, commandId), m_mode(mode), m_prompt(std::move(prompt)) {}

    void Activate() override {
        ScreenTool::Activate();
        if (m_mode) {
            m_context.environment.EnterMode(m_mode, "Fake", m_prompt);
        }
    }
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override {
        keys.push_back(key);
        return ScreenTool::OnKeyDown(key, repeat, flags);
    }

    std::vector<uint32_t> keys;

private:
    Env* m_mode;
    std::string m_prompt;
};

class InteractionTest : public DrawingTest {
protected:
    InteractionTest() {
        NewDrawing("4", "3"); // 300 x 225 drawing pixels
        view().ResizeClient(200, 150);
        view().SetOrigin(0, 0);
        view().SetZoom(1);
    }

    ViewManager& view() { return workspace->viewManager; }
    ViewInput& input() { return workspace->viewInput; }
    EnvironmentManager& env() { return workspace->environmentManager; }
    ZoomManager& zoom() { return workspace->zoomManager; }
    ToolSlot& tools() { return workspace->toolSlot; }
    SelectManager& select() { return workspace->selectManager; }
    ToolContext& context() { return workspace->toolContext; }
    int32_t Zoom() { return view().Zoom(); }
    bool Key(uint32_t key, uint32_t flags = 0) { return input().OnKeyDown(key, 1, flags); }
    // The drawing point under a view point.
    IntPoint Under(int32_t x, int32_t y) { return workspace->viewGeometry.ToDrawing(x, y); }
};

} // namespace ts::testing
