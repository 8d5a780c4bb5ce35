#include "document/drawing_test_support.h"
#include "files/drawing_png.h"
#include "files/drawing_reader.h"
#include "files/drawing_samples.h"
#include "files/stream_block.h"
#include "platform/profile_settings.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::Paint;

class DrawingDocumentTest : public testing::DrawingTest {
protected:
    DrawingDocumentTest() { setenv("XDG_DATA_HOME", data.Path().c_str(), 1); }

    DrawingDocument& doc() { return workspace->drawingDocument; }
    std::string Path(const std::string& name) const { return folder.Path() + name; }

    // A drawing PNG around any stream.
    std::string PutDrawing(const std::string& name, std::vector<uint8_t> stream) {
        std::vector<uint8_t> block;
        EXPECT_EQ(CompressStreamBlock(stream, block), 0);
        Image24 picture;
        picture.Create(2, 2);
        std::FILE* file = std::fopen(Path(name).c_str(), "wb");
        EXPECT_TRUE(WriteDrawingPng(file, picture, &block));
        std::fclose(file);
        return Path(name);
    }

    std::string PutBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::FILE* file = std::fopen(Path(name).c_str(), "wb");
        if (!bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        }
        std::fclose(file);
        return Path(name);
    }

    // A painted drawing saved through "Save As" under the name.
    void SavedDrawing(const std::string& name) {
        NewDrawing();
        Paint(current(), 3, 4, 0x00336699);
        ui.QueueFile(Path(name));
        ASSERT_TRUE(doc().SaveAs());
    }

    size_t FilesInFolder() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            ++n;
        }
        return n;
    }

    TempFolder folder;
    TempFolder data;
};

TEST_F(DrawingDocumentTest, SaveAsWritesTheForcedNameAndMakesItCurrent) {
    SavedDrawing("plan.png");
    const HeadlessUserInterface::FileDialog& dialog = ui.FileDialogs().back();
    EXPECT_EQ(dialog.request.title, "Save Drawing");
    EXPECT_EQ(dialog.request.filters, "Huecraft Files (*ts.png)|*ts.png||");
    EXPECT_EQ(dialog.request.fileName, dialog.request.folder + "/Untitled-1.ts.png");

    const std::string path = Path("plan.ts.png");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(Path("plan.png")));
    EXPECT_EQ(doc().FileName(), path);
    EXPECT_EQ(doc().Title(), "Tintsmith - plan.ts.png");
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
    EXPECT_TRUE(doc().SaveEnabled());
    EXPECT_EQ(workspace->profile.Recent(RecentList::Drawings).Entry(0), path);
    std::string stored;
    ASSERT_TRUE(settings.ReadString("RecentPaths", "SaveDrawings", stored));
    EXPECT_EQ(stored + "/", folder.Path());
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left beside the drawing";
}

TEST_F(DrawingDocumentTest, OpeningTheSavedDrawingBringsBackItsLayers) {
    SavedDrawing("plan.ts.png");
    const std::vector<uint32_t> saved = Ids();
    AddLayer(10, 10, 0, 0, "Later");
    ui.QueueFile(Path("plan.ts.png"));
    ui.QueueAnswer(Answer::No);
    refresh().reasons.clear();
    ASSERT_TRUE(doc().Open());
    EXPECT_EQ(ui.Messages().back().text, "Do you wish to save the current drawing?");
    EXPECT_EQ(Ids(), saved);
    EXPECT_EQ(testing::ColorAt(layer(2), 3, 4), 0x00336699u);
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
    EXPECT_EQ(refresh().reasons.back(), "On File Load");
    // A layer made now gets an id of its own.
    EXPECT_GT(AddLayer(4, 4).id, saved.back());
}

TEST_F(DrawingDocumentTest, AnOpenStopsWhenTheSaveBeforeItDoesNotHappen) {
    SavedDrawing("plan.ts.png");
    const std::vector<uint32_t> ids = Ids();
    PutDrawing("other.ts.png", testing::BoardOnly().Finish());
    ui.QueueFile(Path("other.ts.png"));
    ui.QueueAnswer(Answer::Cancel);
    EXPECT_FALSE(doc().Open());
    ui.QueueFile(Path("other.ts.png"));
    ui.QueueAnswer(Answer::Yes);
    ui.QueueFileCancel(); // the "Save As" dialog
    EXPECT_FALSE(doc().Open());
    EXPECT_EQ(Ids(), ids);
    EXPECT_EQ(doc().FileName(), Path("plan.ts.png"));
}

TEST_F(DrawingDocumentTest, AFailedOpenLeavesTheDrawingAndItsNameAsTheyWere) {
    SavedDrawing("plan.ts.png");
    const std::vector<uint32_t> ids = Ids();
    struct Case {
        std::string path;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {PutBytes("text.png", {'n', 'o', 't', ' ', 'p', 'n', 'g'}), {kCorruptDrawing}},
        {PutDrawing("v201.png", testing::BoardOnly(201).Finish()),
         {"This version of Tintsmith cannot open this file.", "Download the latest Tintsmith update."}},
        {PutDrawing("v300.png", testing::BoardOnly(300).Finish()),
         {"This version of Tintsmith cannot open this file.",
          "A Tintsmith upgrade is required for this file."}},
        {PutDrawing("nopaper.png", testing::StreamBuilder().Layer().EndLayer().Finish()), {kNotValidDrawing}},
        {PutBytes("legacy.tsl", testing::BoardOnly().Finish(tags::kOldLayersEnd)), {kNotValidDrawing}},
        {Path("plan.gif"), {kWrongExtension}},
        {Path("missing.ts.png"), {Path("missing.ts.png") + "\nThe file could not be located."}},
    };
    for (const Case& c : cases) {
        ui.ClearMessages();
        EXPECT_FALSE(doc().OpenDrawing(c.path, false)) << c.path;
        EXPECT_EQ(ui.MessageTexts(), c.messages) << c.path;
        EXPECT_EQ(Ids(), ids) << c.path;
        EXPECT_EQ(doc().FileName(), Path("plan.ts.png"));
    }
    // A picture without the drawing chunk.
    ui.ClearMessages();
    std::FILE* file = std::fopen(Path("picture.png").c_str(), "wb");
    WriteDrawingPng(file, layer(1).image->pixels, nullptr);
    std::fclose(file);
    EXPECT_FALSE(doc().OpenDrawing(Path("picture.png"), false));
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{kNoDrawingChunk, kNotValidDrawing}));
    EXPECT_EQ(Ids(), ids);
}

TEST_F(DrawingDocumentTest, LegacyDrawingsOpenByTheirExtensionAndTakeThePage) {
    NewDrawing("4", "3"); // a page of 1200 x 900 page pixels: 300 x 225 drawing pixels
    // A version-100 drawing of 200 x 400: no ids, no names, no property blocks.
    testing::StreamBuilder v100(100);
    v100.Layer().EndLayer().Layer(200, 400).EndLayer().Layer(1, 2).EndLayer();
    PutBytes("old.Tsl", v100.Finish());
    PutBytes("old.tSl", testing::BoardOnly().Finish());
    const uint32_t before = Ids().back();

    EXPECT_FALSE(doc().OpenDrawing(Path("old.tSl"), false));
    EXPECT_EQ(ui.LastMessageText(), kWrongExtension);
    ASSERT_TRUE(doc().OpenDrawing(Path("old.Tsl"), false));
    EXPECT_EQ(doc().FileName(), Path("old.Tsl"));
    ASSERT_EQ(stack().Count(), 3);
    EXPECT_EQ(layer(0).name, kBackdropName);
    EXPECT_EQ(layer(1).name, kPaperName);
    EXPECT_GT(layer(0).id, before);
    EXPECT_GT(layer(2).id, layer(1).id);
    // The turned page is closer to the portrait drawing: the drawing takes its size.
    EXPECT_EQ(stack().DrawingWidth(), 225);
    EXPECT_EQ(stack().DrawingHeight(), 300);
    EXPECT_EQ(ops().CurrentPage().width, 900);
}

TEST_F(DrawingDocumentTest, LayerFilesAddTheirLayersWithFreshIds) {
    NewDrawing();
    current().name = "Trees";
    Paint(current(), 1, 1, 0x000000FF);
    ASSERT_TRUE(doc().SaveLayerTo(Path("trees.ts.png")).Saved());
    PutBytes("my.old.layer.tsl",
             testing::StreamOf(stack(), StreamWriteOptions{2, std::nullopt, nullptr, std::nullopt}));
    NewDrawing();
    const int32_t count = stack().Count();

    ASSERT_TRUE(doc().OpenDrawing(Path("trees.ts.png"), true));
    ASSERT_EQ(stack().Count(), count + 1);
    EXPECT_EQ(current().name, "Trees");
    EXPECT_EQ(testing::ColorAt(current(), 1, 1), 0x000000FFu);
    ASSERT_TRUE(doc().OpenDrawing(Path("my.old.layer.tsl"), true));
    EXPECT_EQ(current().name, "myoldlayer");
    EXPECT_NE(layer(count).id, layer(count + 1).id);
    EXPECT_TRUE(doc().FileName().empty()) << "an object does not name the drawing";

    // No room for the layer: refused, the drawing unchanged.
    while (stack().Count() < ImageStackManager::kMaxLayers) {
        AddLayer(2, 2);
    }
    const std::vector<uint32_t> ids = Ids();
    EXPECT_FALSE(doc().OpenDrawing(Path("trees.ts.png"), true));
    EXPECT_EQ(ui.LastMessageText(), kNotValidObject);
    EXPECT_EQ(Ids(), ids);
}

TEST_F(DrawingDocumentTest, ALayerOfAnotherResolutionKeepsItsSizeOnPaper) {
    NewDrawing();
    LayerObject& roof = AddLayer(20, 10, 30, 40, "Roof");
    Paint(roof, 19, 9, 0x000000FF);
    roof.scale[kResolution] = 200; // the drawing's is 400
    ASSERT_TRUE(doc().SaveLayerTo(Path("roof.ts.png")).Saved());
    NewDrawing();
    ASSERT_TRUE(doc().OpenDrawing(Path("roof.ts.png"), true));
    EXPECT_EQ(current().color->Width(), 40);
    EXPECT_EQ(current().color->Height(), 20);
    EXPECT_EQ(current().frame->drawingBuffer->Width(), 40);
    EXPECT_EQ(current().offsetX, 60);
    EXPECT_EQ(current().bounds, (Rect{60, 80, 100, 100}));
    EXPECT_EQ(testing::ColorAt(current(), 39, 19), 0x000000FFu);
    EXPECT_EQ(testing::AmountAt(current(), 37, 17), 0) << "unpainted, as the layer was";
    EXPECT_EQ(current().scale[kResolution], 400);
}

TEST_F(DrawingDocumentTest, WholeDrawingUndoGoesBothWaysAndAnUnreadableRecordKeepsTheDrawing) {
    NewDrawing();
    Paint(current(), 2, 2, 0x00FF0000);
    const std::vector<uint32_t> ids = Ids();
    ASSERT_TRUE(undo().SnapshotDrawing());
    AddLayer(8, 8, 0, 0, "Added");
    stack().SetDrawingSize(100, 100);
    undo().Undo();
    EXPECT_EQ(Ids(), ids);
    EXPECT_EQ(testing::ColorAt(layer(2), 2, 2), 0x00FF0000u);
    EXPECT_EQ(stack().DrawingWidth(), 300);
    undo().Redo();
    EXPECT_EQ(stack().Count(), 4);
    EXPECT_EQ(stack().DrawingWidth(), 100);

    ASSERT_TRUE(undo().SnapshotDrawing());
    auto& record = const_cast<UndoRedo&>(*undo().NewestUndo());
    record.compressedDrawing[4] = 0; // the uncompressed length: 0
    record.compressedDrawing[5] = record.compressedDrawing[6] = record.compressedDrawing[7] = 0;
    const std::vector<uint32_t> now = Ids();
    const int32_t undos = undo().UndoCount();
    const int32_t redos = undo().RedoCount();
    undo().Undo();
    EXPECT_EQ(Ids(), now);
    EXPECT_EQ(undo().UndoCount(), undos - 1) << "the record is dropped";
    EXPECT_EQ(undo().RedoCount(), redos) << "and nothing can be redone from it";
}

TEST_F(DrawingDocumentTest, TheDesignExportWritesTheHalfSizeDrawingByItsExactExtension) {
    EXPECT_EQ(DrawingDocument::ProposedExportName(""), "Untitled.png");
    EXPECT_EQ(DrawingDocument::ProposedExportName("/d/plan.ts.png"), "plan.png");
    EXPECT_EQ(DrawingDocument::ProposedExportName("/d/plan.TS.PNG"), "plan.png");
    EXPECT_EQ(DrawingDocument::ProposedExportName("/d/old.tsl"), "old.png");
    SavedDrawing("plan.ts.png");

    for (const char* refused : {"x.gif", "x.JPG"}) {
        ui.QueueFile(Path(refused));
        EXPECT_FALSE(doc().ExportDesign());
        EXPECT_EQ(ui.LastMessageText(), "File type not supported for Design Export.");
        EXPECT_FALSE(codec.Has(Path(refused)));
    }
    const HeadlessUserInterface::FileDialog& dialog = ui.FileDialogs().back();
    EXPECT_EQ(dialog.request.title, "Export Design to Image File");
    EXPECT_EQ(dialog.request.fileName, "plan.png");
    EXPECT_EQ(dialog.request.defaultExtension, "png");

    ui.QueueFile(Path("x.jpg"));
    ui.QueueTextCancel();
    EXPECT_FALSE(doc().ExportDesign());
    EXPECT_FALSE(codec.Has(Path("x.jpg")));
    ui.QueueFile(Path("x.jpg"));
    ui.QueueText("55");
    ASSERT_TRUE(doc().ExportDesign());
    EXPECT_EQ(codec.QualityOf(Path("x.jpg")), 55);
    EXPECT_EQ(workspace->profile.Get(settings::kJpegQuality), 55);
    EXPECT_EQ(codec.Get(Path("x.jpg"))->Width(), 150);
    EXPECT_EQ(codec.Get(Path("x.jpg"))->Height(), 112);
    EXPECT_EQ(ui.LastMessageText(), "The exported image is 1/4 resolution.\nPrinting this image from another "
                                    "program will result\nin loss of detail.");
}

TEST_F(DrawingDocumentTest, SavingALayerWritesAPictureOrAThreeLayerDrawing) {
    NewDrawing();
    AddLayer(20, 10, 30, 40, "Roof");
    Paint(current(), 0, 0, 0x000000FF);
    AddLayer(5, 5, 0, 0, "Top");
    stack().SetCurrent(3);

    ui.QueueFile(Path("roof.BMP"));
    ASSERT_TRUE(doc().SaveLayerAs());
    EXPECT_EQ(codec.FormatOf(Path("roof.BMP")), ImageFormat::Bmp);
    EXPECT_EQ(codec.Get(Path("roof.BMP"))->Width(), 20);
    EXPECT_EQ(codec.Get(Path("roof.BMP"))->Height(), 10);

    ui.QueueFile(Path("roof.ts.png"));
    ASSERT_TRUE(doc().SaveLayerAs());
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, Path("roof.ts.png"), true, loaded));
    ASSERT_EQ(loaded.layers.size(), 3u);
    std::string stored;
    ASSERT_TRUE(settings.ReadString("Objects", "Object Write Path", stored));
    EXPECT_EQ(stored + "/", folder.Path());

    ui.QueueFile(Path("roof.gif"));
    EXPECT_FALSE(doc().SaveLayerAs());
    EXPECT_EQ(ui.LastMessageText(), "File type not supported.");
}

TEST_F(DrawingDocumentTest, RestoreReadsTheTemporaryCopyOrKeepsTheDrawing) {
    NewDrawing();
    doc().DetectTemporaryCopy();
    EXPECT_FALSE(doc().TemporaryCopyPresent());
    const std::vector<uint32_t> ids = Ids();
    EXPECT_FALSE(doc().Restore());
    EXPECT_EQ(ui.LastMessageText(), "No Temporary file has been saved yet.");
    EXPECT_EQ(Ids(), ids);

    ASSERT_TRUE(doc().SaveTempCopy());
    EXPECT_TRUE(doc().TemporaryCopyPresent());
    AddLayer(3, 3);
    ASSERT_TRUE(doc().Restore());
    EXPECT_EQ(Ids(), ids);

    // The print-time copy is read back only after it was written.
    EXPECT_FALSE(doc().RestorePrintCopy());
    ASSERT_TRUE(doc().SavePrintCopy());
    AddLayer(3, 3);
    ASSERT_TRUE(doc().RestorePrintCopy());
    EXPECT_EQ(Ids(), ids);
    doc().DetectTemporaryCopy();
    EXPECT_TRUE(doc().TemporaryCopyPresent());
}

TEST_F(DrawingDocumentTest, SavesThatCannotHappenSayWhyAndChangeNothing) {
    SavedDrawing("plan.ts.png");
    ops().DeleteLayer(2, false);
    EXPECT_FALSE(doc().Save());
    EXPECT_EQ(ui.LastMessageText(), "There is no drawing to store.");

    NewDrawing();
    ui.QueueFile(Path("no/such/folder/plan.ts.png"));
    EXPECT_FALSE(doc().SaveAs());
    EXPECT_EQ(ui.LastMessageText(), "Failed to open file for writing.");
    EXPECT_EQ(doc().State(), DocumentState::kNew);
    EXPECT_TRUE(doc().FileName().empty());
    EXPECT_EQ(workspace->profile.Recent(RecentList::Drawings).Entry(0), Path("plan.ts.png"));

    // The name written differs from the one the dialog asked about: asked again before replacing.
    ui.QueueFile(Path("plan.png"));
    ui.QueueAnswer(Answer::No);
    EXPECT_FALSE(doc().SaveAs());
    EXPECT_EQ(ui.LastMessageText(), "plan.ts.png already exists.\nDo you want to replace it?");
}

} // namespace
} // namespace ts
