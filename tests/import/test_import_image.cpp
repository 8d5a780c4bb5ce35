// Pictures and drawings brought into the drawing as layers, and how a file given to the program is
// taken.

#include "document/drawing_test_support.h"
#include "import/import_image_processor.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

class ImportImage : public testing::DrawingTest {
protected:
    ImportImage() {
        NewDrawing("4", "3");
        Image24 photo;
        photo.Create(40, 30);
        photo.SetColor(3, 4, 0x00123456);
        codec.Put(folder.Path() + "house.jpg", photo);
    }
    ImportImageProcessor& processor() { return workspace->importImage; }
    TempFolder folder;
};

TEST_F(ImportImage, APictureBecomesTheCurrentLayerNamedAfterItsFileInPlaceOfTheBlankLayer) {
    undo().Reset(false);
    ASSERT_TRUE(processor().ImportFile(folder.Path() + "house.jpg"));
    ASSERT_EQ(stack().Count(), 3) << "the lone empty Blank Layer made way";
    EXPECT_EQ(current().name, "house");
    ASSERT_TRUE(current().image);
    EXPECT_EQ(current().image->pixels.ColorAt(3, 4), 0x00123456u);
    EXPECT_EQ(current().bounds, (Rect{130, 97, 170, 127})) << "centred on the 300 x 225 drawing";
    EXPECT_EQ(processor().Extension(), ".jpg");
    EXPECT_EQ(processor().ImageType(), 0);
    EXPECT_EQ(refresh().reasons.back(), kImportImageRefresh);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerAdded);
    // With work in the drawing nothing makes way.
    ASSERT_TRUE(processor().ImportFile(folder.Path() + "house.jpg"));
    EXPECT_EQ(stack().Count(), 4);
}

TEST_F(ImportImage, AnUnreadablePictureWarnsAndKeepsEvenTheBlankLayer) {
    const std::vector<uint32_t> ids = Ids();
    EXPECT_FALSE(processor().ImportFile(folder.Path() + "missing.jpg"));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, "Error: This File Could Not Be Loaded");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(Ids(), ids);
    EXPECT_EQ(current().name, kBlankLayerName);
}

TEST_F(ImportImage, TheDialogStartsWhereTheLastImportWasAndRemembersTheNewFolder) {
    workspace->profile.SetLastImageFolder(folder.Path().substr(0, folder.Path().size() - 1));
    ui.QueueFile(folder.Path() + "house.jpg");
    ASSERT_TRUE(processor().ChooseAndImport());
    EXPECT_EQ(processor().Path(), folder.Path() + "house.jpg");
    EXPECT_EQ(workspace->profile.LastImageFolder() + "/", folder.Path());
    ui.QueueFileCancel();
    EXPECT_FALSE(processor().ChooseAndImport());
    EXPECT_EQ(stack().Count(), 3);
}

TEST(IncomingFiles, DrawingsOpenPlainPngsAreCadAndOtherPicturesImport) {
    EXPECT_EQ(KindOfIncomingFile("/a/plan.ts.png"), IncomingFile::kDrawing);
    EXPECT_EQ(KindOfIncomingFile("/a/PLAN.TS.PNG"), IncomingFile::kDrawing);
    EXPECT_EQ(KindOfIncomingFile("/a/old.tsl"), IncomingFile::kDrawing);
    EXPECT_EQ(KindOfIncomingFile("/a/plan.png"), IncomingFile::kCadPicture);
    EXPECT_EQ(KindOfIncomingFile("/a/plan.Png"), IncomingFile::kCadPicture);
    EXPECT_EQ(KindOfIncomingFile("/a/photo.jpg"), IncomingFile::kPicture);
    EXPECT_EQ(KindOfIncomingFile("/a/scan.tif"), IncomingFile::kPicture);
}

} // namespace
} // namespace ts
