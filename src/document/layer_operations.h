#pragma once

#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "model/page.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <string>

namespace ts {

// What the layer commands need from the rest of the program. Every hook has a harmless default.
class LayerOperationHooks {
public:
    virtual ~LayerOperationHooks() = default;
    // The active mode finishes its pending work before a command changes the stack.
    virtual void FinishPendingWork() {}
    // The drawing has no file any more: the title reads "Tintsmith - Untitled".
    virtual void ForgetFileName() {}
    // The backdrop layer's image becomes the view's backdrop.
    virtual void BackdropChanged(LayerObject& /*backdrop*/) {}
    // Prepares the paper layer's picture (tiling and tinting the board texture) for the page.
    virtual void PreparePaper(LayerObject& /*paper*/, int32_t /*textureIndex*/, uint32_t /*color*/) {}
    // A layer whose lines changed as a whole (merged, turned): the line tools re-read it.
    virtual void LinesChanged(LayerObject& /*layer*/) {}
    // The drawing got a new size: the view follows it.
    virtual void DrawingResized(int32_t /*width*/, int32_t /*height*/) {}
};

enum class BlankLayerSize { kSmall, kPrintableArea, kFullPage };
enum class CenterAxis { kHorizontal, kVertical, kBoth };

// The commands of the Layer and Page menus that change the structure of the stack: each a short
// operation on the stack followed by a refresh request with its reason.
class LayerOperations {
public:
    LayerOperations(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh, UserInterface& ui,
                    ImageCodec& codec, ProfileManager& profile);

    void SetHooks(LayerOperationHooks* hooks) { m_hooks = hooks ? hooks : &m_noHooks; }
    Page& CurrentPage() { return m_page; }
    void SetPage(const Page& page) { m_page = page; }
    // Lays the drawing out on a page of this many page pixels: the drawing becomes a quarter of it each
    // way (the remainder of a side not divisible by 4 is dropped) and the view follows; the layers keep
    // their places and pixels, the page its margins. False, with nothing changed, when a side would hold
    // no drawing pixel or more than a drawing file can hold.
    bool ResizePage(int32_t pageWidth, int32_t pageHeight);

    // Clears the stack (and, when asked, the undo store; unless keepTitle, the file name goes too).
    void ClearDrawing(bool keepTitle, bool resetUndo);
    // Backdrop, paper and a "Blank Layer". The images are loaded before anything is cleared: when the
    // backdrop cannot be loaded the drawing stays as it was and false is returned.
    bool NewDrawing();
    bool NewBlankLayer(BlankLayerSize size);

    // The layer panel: a drawing layer made current, and its three row toggles (dimmed and hidden
    // repaint the drawing, the third only the panel, which the caller redraws).
    void Select(int32_t index);
    void ToggleDimmed(int32_t index);
    void ToggleHidden(int32_t index);
    void ToggleMarked(int32_t index);

    void SelectBottom();
    void SelectTop();
    void SelectUp();
    void SelectDown();

    void UpOne();
    void DownOne();
    void ToFront();
    void ToRear();

    bool Clone();
    void DeleteCurrent();
    void DeleteLayer(int32_t index, bool keepSize);

    // The layer marked as merge partner (dragged onto in the layer panel, picked by the select tool).
    // The partner is kept by identity, so it follows its layer through reordering.
    void SetMergePartner(int32_t index);
    void ClearMergePartner() { m_mergePartnerId = 0; }
    // The partner's index, or -1 when none is marked (or it is gone).
    int32_t MergePartner() const;
    void Merge();

    bool Minimize();
    void FlipHorizontal();
    void FlipVertical();
    // Turns the whole drawing with its paper counter-clockwise by 90, 180 or 270 degrees.
    bool DesignRotate(int32_t degrees);
    // Turns the current layer's picture by a quarter-turn step.
    bool BitmapRotate(int32_t degrees);
    void Center(CenterAxis axis);
    void Name();

private:
    bool ChooseMergePartner(int32_t& partner);
    void RefreshSelection(const char* reason);
    void RepaintAll(const char* reason);
    std::unique_ptr<SuperBitBuffer> NewDrawingBuffer(int32_t width, int32_t height, float poolFactor);
    // What undoing the making of a blank layer does: put back its placement (the new drawing's layer,
    // whose stack is new anyway) or take the layer away.
    enum class BlankUndo { kPlacement, kRemovesLayer };
    bool AddBlankLayer(int32_t width, int32_t height, float poolFactor, BlankUndo undo);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    ImageCodec& m_codec;
    ProfileManager& m_profile;
    LayerOperationHooks m_noHooks;
    LayerOperationHooks* m_hooks = &m_noHooks;
    Page m_page;
    uint32_t m_mergePartnerId = 0;
};

} // namespace ts
