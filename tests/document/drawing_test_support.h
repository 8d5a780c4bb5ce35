#pragma once

// A fresh workspace per test over the headless platform: the board texture in place, a recording
// refresh, and helpers for small drawings.

#include "model/layer_test_support.h"
#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "platform/temp_folder.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace ts::testing {

inline constexpr const char* kProgramFolder = "/prog/";
inline const std::string kBoardPath = std::string(kProgramFolder) + "Textures/Board/Standard1.jpg";

class DrawingTest : public ::testing::Test {
protected:
    DrawingTest() {
        // The test's program folder cannot be written: the folders the program makes (the dialogs'
        // default folders among them) go below a data folder of the test's own, not the user's.
        setenv("XDG_DATA_HOME", m_userData.Path().c_str(), 1);
        Image24 board;
        board.Create(8, 8);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                board.SetColor(x, y, 0x00C0B0A0);
            }
        }
        codec.Put(kBoardPath, board);
        auto recorder = std::make_unique<RecordingRefresh>();
        recorder_ = recorder.get();
        workspace = std::make_unique<Workspace>(ui, settings, codec, kProgramFolder, std::move(recorder));
    }

    ImageStackManager& stack() { return workspace->imageStack; }
    UndoStore& undo() { return workspace->undoStore; }
    LayerOperations& ops() { return workspace->layerOperations; }
    RecordingRefresh& refresh() { return *recorder_; }
    LayerObject& layer(int32_t index) { return *stack().Layer(index); }
    LayerObject& current() { return *stack().CurrentLayer(); }

    // A new drawing on a page of the given size in inches (300 page pixels an inch, a drawing pixel
    // 4 x 4 page pixels).
    void NewDrawing(const char* widthInches = "4", const char* heightInches = "3") {
        settings.WriteString("Settings", "ScaleDrawingPaperWidth", widthInches);
        settings.WriteString("Settings", "ScaleDrawingPaperHeight", heightInches);
        ASSERT_TRUE(ops().NewDrawing());
    }

    // Another drawing layer on top of the stack (current).
    LayerObject& AddLayer(int32_t width, int32_t height, int32_t offsetX = 0, int32_t offsetY = 0,
                          const std::string& name = kBlankLayerName) {
        return AddDrawingLayer(stack(), width, height, offsetX, offsetY, name);
    }

    std::vector<uint32_t> Ids() {
        std::vector<uint32_t> ids;
        for (int32_t i = 0; i < stack().Count(); ++i) {
            ids.push_back(stack().Layer(i)->id);
        }
        return ids;
    }

    TempFolder m_userData;
    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    HeadlessImageCodec codec;
    std::unique_ptr<Workspace> workspace;
    RecordingRefresh* recorder_ = nullptr;
};

} // namespace ts::testing
