#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "files/drawing_stream.h"
#include "files/drawing_writer.h"
#include "model/image_stack_manager.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "raster/rect.h"
#include "render/compositor.h"
#include "render/refresh_requests.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ts {

// What the drawing opened from its file is: new (no file), opened from a legacy ".tsl" file, or opened
// from or saved as a drawing PNG. "&Save" is enabled only for the last.
enum class DocumentState : int32_t { kNew = 0, kLegacy = 1, kDrawing = 2 };

// What the drawing files need from the rest of the program. Every hook has a harmless default.
class DrawingDocumentHooks {
public:
    virtual ~DrawingDocumentHooks() = default;
    // The active mode finishes its pending work before a file command runs.
    virtual void FinishPendingWork() {}
    // The main frame's title: "Tintsmith - Untitled" or "Tintsmith - <file name>".
    virtual void TitleChanged(const std::string& /*title*/) {}
    // Whether the drawing holds work not yet saved; unknown without a judge of its own.
    virtual std::optional<bool> HasUnsavedChanges() { return std::nullopt; }
    // The drawing got a new size: the view follows it.
    virtual void DrawingResized(int32_t /*width*/, int32_t /*height*/) {}
    // The backdrop's present selection, kept with a saved drawing, and one read back from a file.
    virtual std::optional<std::array<int32_t, 2>> BackdropSelection() { return std::nullopt; }
    virtual void RestoreBackdrop(LayerObject& /*backdrop*/, int32_t /*first*/, int32_t /*second*/) {}
    // The backdrop's present picture, saved with the drawing in place of the backdrop layer's image;
    // null when the backdrop has none.
    virtual const Image24* BackdropPicture() { return nullptr; }
    // The paper adjustment values saved in the paper layer (see LayerObject::paperAdjust).
    virtual std::optional<std::array<int32_t, 3>> PaperAdjustments() { return std::nullopt; }
    // A drawing was loaded: its paper layer's picture and texture index are the board now.
    virtual void PaperLoaded(LayerObject& /*paper*/) {}
};

// The JPEG quality dialog: one value 1-100, starting from "Settings"/"JpegQuality"; OK stores the
// chosen value there. False (nothing stored) on Cancel.
class CJPGQualityDlg {
public:
    static bool DoModal(UserInterface& ui, ProfileManager& profile, int32_t& quality);
};

// The drawing as a file: opening, saving, exports, temporary copies and whole-drawing undo blocks,
// with the document state and the current file name that the main frame shows.
class DrawingDocument {
public:
    DrawingDocument(ImageStackManager& stack, LayerOperations& operations, RefreshRequests& refresh,
                    UserInterface& ui, ImageCodec& codec, ProfileManager& profile, Compositor& compositor);

    void SetHooks(DrawingDocumentHooks* hooks) { m_hooks = hooks ? hooks : &m_noHooks; }

    DocumentState State() const { return m_state; }
    bool SaveEnabled() const { return m_state == DocumentState::kDrawing; }
    const std::string& FileName() const { return m_fileName; }
    std::string Title() const;
    // The drawing has no file any more (a new drawing, the last layer deleted).
    void ForgetFileName();

    // --- Loading ---
    // load-drawing: a drawing PNG read through its chunk into the stack, as the drawing (replacing it)
    // or as an object (its drawing layers added on top). The file is read and checked in full first: a
    // file that fails leaves the open drawing and its file name as they were.
    bool LoadDrawing(const std::string& path, bool asObject);
    // open-drawing: by extension, a legacy ".tsl" or a drawing PNG. As a drawing, the path becomes the
    // current file name; as an object from a ".tsl", the new layer is named after the file.
    bool OpenDrawing(const std::string& path, bool asObject);
    // The File menu's "Open": asks for a file, offers to save the present drawing first (a cancelled or
    // failed save stops the open), opens it and sets the document state.
    bool Open();
    // "Load Layer": the drawing layers of a layer file added on top of the drawing.
    bool LoadLayer();

    // --- Saving ---
    // "&Save": the quick save under the current name (only a drawing PNG is written over); otherwise as
    // "Save As".
    bool Save();
    // "Save As": the "Save Drawing" dialog; on success the state becomes 2, the name current and first
    // in the recent drawing list.
    bool SaveAs();
    // save-drawing: the whole drawing into a drawing file at path, no questions asked.
    SaveResult SaveDrawingTo(const std::string& path);
    // save-layer: backdrop, paper and the current layer around the layer's own picture.
    SaveResult SaveLayerTo(const std::string& path);

    // --- Exports and temporary copies ---
    bool ExportDesign();
    bool SaveLayerAs();
    bool SaveTempCopy();
    bool Restore();
    // Set at start-up when "Temp/temp.ts.png" exists, and by every successful "Save Temp Copy";
    // "Restore" is enabled exactly while it is set.
    bool TemporaryCopyPresent() const { return m_temporaryCopyPresent; }
    void DetectTemporaryCopy();
    // The copy the print mode keeps while it changes the drawing; read back only when it was written
    // in this run.
    bool SavePrintCopy();
    bool RestorePrintCopy();
    std::string TemporaryPath(const char* name) const;
    const Rect& TempCopyExtents() const { return m_tempExtents; }

    // --- Whole-drawing undo ---
    // The drawing as a compressed block (the zlib message is shown when compressing fails).
    bool SnapshotBlock(std::vector<uint8_t>& block);
    // Replaces the drawing by a block's, keeping the undo stacks. The block is decompressed and read in
    // full first: one that fails leaves the drawing as it is.
    bool RestoreBlock(const std::vector<uint8_t>& block);

    // The name the design export proposes: the drawing's file name with its extension (".ts.png" as a
    // whole) replaced by ".png"; "Untitled.png" without a file name.
    static std::string ProposedExportName(const std::string& fileName);

private:
    enum class InstallMode { kDrawing, kUndo };

    StreamWriteOptions WriteOptions(int32_t onlyLayer = -1);
    bool NothingToStore() const;
    void ShowSaveFailure(const SaveResult& result, const std::string& path);
    bool SaveWithDialog();
    void SetFileName(const std::string& path);
    // Puts read layers into the stack in place of the present drawing.
    void InstallDrawing(LoadedDrawing& loaded, InstallMode mode);
    bool InstallObject(LoadedDrawing& loaded, const std::string& path, bool legacy);
    void FitPage();
    bool LoadTemporary(const std::string& path, bool keepUndo = false);
    Rect CurrentLayerArea() const;

    ImageStackManager& m_stack;
    LayerOperations& m_operations;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    ImageCodec& m_codec;
    ProfileManager& m_profile;
    Compositor& m_compositor;
    DrawingDocumentHooks m_noHooks;
    DrawingDocumentHooks* m_hooks = &m_noHooks;

    DocumentState m_state = DocumentState::kNew;
    std::string m_fileName;
    bool m_temporaryCopyPresent = false;
    bool m_printCopyWritten = false;
    Rect m_tempExtents;
};

} // namespace ts
