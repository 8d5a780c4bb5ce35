#pragma once

#include "document/drawing_document.h"
#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ts {

inline constexpr const char* kImportImageRefresh = "R_ImportImage";

// What a file given to the program (dropped, or named at launch) is taken as: a drawing to open, a
// plain PNG to import as CAD lines, or any other picture to import as a layer.
enum class IncomingFile { kDrawing, kCadPicture, kPicture };
IncomingFile KindOfIncomingFile(const std::string& path);

// Image import: a picture file becomes a layer of the drawing. It keeps the chosen path, its
// extension and the kind of the last image (0 picture, 1 lines, 2 line art), which the extraction
// reads.
class ImportImageProcessor {
public:
    ImportImageProcessor(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh,
                         UserInterface& ui, ImageCodec& codec, ProfileManager& profile,
                         DrawingDocument& document);

    // "Select Image File", starting in the folder the last import used (remembered for the next one),
    // then the import of the chosen file.
    bool ChooseAndImport(int32_t imageType = 0);
    // A drawing file ("ts.png" in the path, or ".tsl") is merged as layers; any other file is read as
    // a picture into a new current layer named after the file. Either way a lone empty "Blank Layer"
    // makes way, but only once something was added: a file that cannot be read changes nothing.
    bool ImportFile(const std::string& path, int32_t imageType = 0);
    // A picture already in memory (a scan, a screen capture) becomes a new current layer named
    // `layerName`, as a picture file would.
    bool ImportPicture(Image24 pixels, const std::string& layerName, int32_t imageType = 0);

    const std::string& Path() const { return m_path; }
    const std::string& Extension() const { return m_extension; }
    int32_t ImageType() const { return m_imageType; }

    // The layer's name for a picture file: the file name without its folder and extension.
    static std::string LayerName(const std::string& path);

private:
    bool MergeDrawing(const std::string& path);
    bool AddPicture(std::unique_ptr<BMap> picture, bool loaded, const std::string& layerName);
    void DropLoneBlankLayer(bool wasEmpty);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    ImageCodec& m_codec;
    ProfileManager& m_profile;
    DrawingDocument& m_document;
    std::string m_path;
    std::string m_extension;
    int32_t m_imageType = 0;
};

} // namespace ts
