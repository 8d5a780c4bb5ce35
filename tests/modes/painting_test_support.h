#pragma once

// A headless workspace for the painting modes: a 600 x 450 drawing shown whole at 100 % from its corner,
// so that a drawing pixel is its own view point, and gestures given as script lines.

#include "document/drawing_test_support.h"
#include "files/flatten.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ts::testing {

class PaintingTest : public DrawingTest {
protected:
    PaintingTest() : script(*workspace) {
        NewDrawing("8", "6");
        EXPECT_TRUE(script.PrepareView());
    }

    // Runs script lines; a bad line fails the test.
    void Gesture(const std::string& lines) {
        std::string error;
        EXPECT_TRUE(script.Run(lines, error)) << error;
    }
    // A painting layer of its own, at an offset, current.
    LayerObject& PaintLayer(int32_t w = 120, int32_t h = 80, int32_t x = 40, int32_t y = 30) {
        return AddLayer(w, h, x, y);
    }
    // The whole drawing as the compositor shows it.
    Image24 Picture() {
        Image24 picture;
        EXPECT_TRUE(RenderFlattened(workspace->compositor, stack(), picture));
        return picture;
    }
    // A copy of a layer, for comparing it later.
    std::unique_ptr<LayerObject> Copy(const LayerObject& layer) {
        auto copy = std::make_unique<LayerObject>();
        EXPECT_TRUE(copy->CopyFrom(layer, true));
        return copy;
    }
    bool Reasons(const std::string& reason) {
        for (const std::string& r : refresh().reasons) {
            if (r == reason) {
                return true;
            }
        }
        return false;
    }

    SurfaceManager& surface() { return workspace->surfaceManager; }
    ShadowManager& shadows() { return workspace->shadowManager; }
    EraserManager& eraser() { return workspace->eraserManager; }
    LightingSet& lightingSet() { return workspace->lightingSet; }
    EnvironmentManager& env() { return workspace->environmentManager; }

    GestureScript script;
};

// A vertical wall of line coverage at column x, rows top .. bottom - 1.
inline void DrawWall(LayerObject& layer, int32_t x, int32_t top, int32_t bottom) {
    if (!layer.lineArt) {
        layer.lineArt = std::make_unique<ObjectLineArt>();
        layer.lineArt->Create(layer.color->Width(), layer.color->Height());
    }
    for (int32_t y = top; y < bottom; ++y) {
        SetMask(*layer.lineArt->lineBuffer, x, y, 0xFFFF);
    }
}

} // namespace ts::testing
