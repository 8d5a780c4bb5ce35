#include "import/import_image_processor.h"

#include "files/tsl_file.h"
#include "import/cad_import.h"
#include "model/part_buffers.h"

#include <algorithm>
#include <new>
#include <utility>

namespace ts {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool IsDrawingPath(const std::string& path) {
    return path.find("ts.png") != std::string::npos || Lower(CTslFile::Extension(path)) == ".tsl";
}

} // namespace

IncomingFile KindOfIncomingFile(const std::string& path) {
    if (IsDrawingPath(path) || CadLineImport::IsDrawingFile(path)) {
        return IncomingFile::kDrawing;
    }
    return CadLineImport::HasPngExtension(path) ? IncomingFile::kCadPicture : IncomingFile::kPicture;
}

ImportImageProcessor::ImportImageProcessor(ImageStackManager& stack, UndoStore& undo,
                                           RefreshRequests& refresh, UserInterface& ui, ImageCodec& codec,
                                           ProfileManager& profile, DrawingDocument& document)
    : m_stack(stack), m_undo(undo), m_refresh(refresh), m_ui(ui), m_codec(codec), m_profile(profile),
      m_document(document) {}

std::string ImportImageProcessor::LayerName(const std::string& path) {
    std::string name = CTslFile::FileName(path);
    name.resize(name.size() - CTslFile::Extension(name).size());
    return name.empty() ? CTslFile::FileName(path) : name;
}

bool ImportImageProcessor::ChooseAndImport(int32_t imageType) {
    std::string path;
    FileDialogRequest request{"Select Image File",
                              m_profile.LastImageFolder(),
                              "",
                              "Image Files (*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif;*.tsl)|"
                              "*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif;*.tsl|All Files (*.*)|*.*||",
                              "",
                              false};
    if (!m_ui.ChooseOpenFile(request, path)) {
        return false;
    }
    m_profile.SetLastImageFolder(CTslFile::DialogFolder(path));
    return ImportFile(path, imageType);
}

bool ImportImageProcessor::ImportFile(const std::string& path, int32_t imageType) {
    m_path = path;
    m_extension = CTslFile::Extension(path);
    m_imageType = std::clamp(imageType, 0, 2);
    if (m_stack.Count() < ImageStackManager::kFirstDrawingLayer) {
        m_ui.ShowMessage(kFileNotLoaded);
        return false;
    }
    if (IsDrawingPath(path)) {
        return MergeDrawing(path);
    }
    auto picture = std::make_unique<BMap>();
    m_ui.BeginWaitCursor();
    const bool loaded = m_codec.Load(path, picture->pixels);
    m_ui.EndWaitCursor();
    return AddPicture(std::move(picture), loaded, LayerName(path));
}

bool ImportImageProcessor::ImportPicture(Image24 pixels, const std::string& layerName, int32_t imageType) {
    m_path.clear();
    m_extension.clear();
    m_imageType = std::clamp(imageType, 0, 2);
    if (m_stack.Count() < ImageStackManager::kFirstDrawingLayer) {
        m_ui.ShowMessage(kFileNotLoaded);
        return false;
    }
    auto picture = std::make_unique<BMap>();
    picture->pixels = std::move(pixels);
    return AddPicture(std::move(picture), true, layerName);
}

void ImportImageProcessor::DropLoneBlankLayer(bool wasEmpty) {
    if (wasEmpty && m_stack.Count() > ImageStackManager::kFirstDrawingLayer + 1) {
        const uint32_t keep = m_stack.CurrentLayer()->id;
        m_stack.RemoveLayer(ImageStackManager::kFirstDrawingLayer);
        m_stack.SetCurrent(std::max(ImageStackManager::kFirstDrawingLayer, m_stack.IndexOfId(keep)));
        m_refresh.MarkStackFootprint();
    }
}

bool ImportImageProcessor::MergeDrawing(const std::string& path) {
    const bool wasEmpty = m_stack.IsEmptyDrawing();
    // The merge refreshes the view itself ("Add Tsl File").
    if (!m_document.OpenDrawing(path, true)) {
        return false;
    }
    DropLoneBlankLayer(wasEmpty);
    return true;
}

bool ImportImageProcessor::AddPicture(std::unique_ptr<BMap> picture, bool loaded,
                                      const std::string& layerName) {
    loaded = loaded && picture->Width() > 0 && picture->Height() > 0;
    m_ui.BeginWaitCursor();
    std::unique_ptr<SuperBitBuffer> buffer;
    if (loaded) {
        buffer = parts::NewBuffer<SuperBitBuffer>(picture->Width(), picture->Height(), 2, 0);
    }
    // The lone empty "Blank Layer" makes way for the picture; it comes back if the layer cannot be made.
    std::unique_ptr<LayerObject> blank;
    const int32_t previousCurrent = m_stack.Current();
    if (buffer && m_stack.IsEmptyDrawing()) {
        blank = m_stack.RemoveLayer(ImageStackManager::kFirstDrawingLayer);
    }
    const bool added = buffer && m_stack.CreateDrawingLayer(std::move(buffer), layerName);
    if (!added && blank) {
        m_stack.InsertLayer(ImageStackManager::kFirstDrawingLayer, std::move(blank));
        m_stack.SetCurrent(previousCurrent);
    }
    m_ui.EndWaitCursor();
    if (!added) {
        m_ui.ShowMessage(kFileNotLoaded, "", MessageIcon::Warning);
        return false;
    }
    // The picture lies centred on the drawing when it is smaller; its colour layer holds no paint yet.
    LayerObject& layer = *m_stack.CurrentLayer();
    const int32_t x = std::max(0, (m_stack.DrawingWidth() - picture->Width()) / 2);
    const int32_t y = std::max(0, (m_stack.DrawingHeight() - picture->Height()) / 2);
    layer.offsetX = x;
    layer.offsetY = y;
    layer.bounds = Rect{x, y, x + picture->Width(), y + picture->Height()};
    layer.image = std::move(picture);
    m_undo.SnapshotAddedLayer();
    if (blank) {
        m_refresh.MarkStackFootprint();
    }
    m_refresh.MarkViewContents(Intersection(layer.bounds, m_stack.DrawingRect()));
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh(kImportImageRefresh);
    return true;
}

} // namespace ts
