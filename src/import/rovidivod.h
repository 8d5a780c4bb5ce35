#pragma once

#include "document/undo_store.h"
#include "import/scanback.h"
#include "model/image_stack_manager.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "raster/rect.h"
#include "render/compositor.h"
#include "render/refresh_requests.h"

#include <cstdint>

namespace ts {

namespace rovidivod_text {
inline constexpr const char* kNotOnTop = "The scanned RoviDivod needs to be the top layer and selected.";
inline constexpr const char* kFootprintLost =
    "Couldn't reposition the Scanback because the\rfootprint (of where it came from) has been lost.\r\rYou "
    "can recover by extracting lines with\rLayer/Extract/Lines, and then use the Align button on the Select "
    "toolbar.";
inline constexpr const char* kNoTenMarks = "Didn't find 10 marks for realignment.";
inline constexpr const char* kUseAlign = "Couldn't automatically reposition the RoviDivod. Use Align.";
inline constexpr const char* kRefreshReason = "R_CreateObjectFromBitonalObject";
} // namespace rovidivod_text

// The RoviDivod: a light trace of part of the drawing (the footprint) with registration marks, printed,
// drawn on by hand, scanned and brought back in register as "Sketch Lines".
//
// The footprint is kept in drawing pixels. On paper a drawing pixel is 4 dots at the "Resolution"
// setting (the traced-layer print), so the footprint has Resolution / 4 pixels per inch; the marks'
// size and places follow from that (see registration_marks.h).
class RoviDivod {
public:
    RoviDivod(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh, UserInterface& ui,
              ProfileManager& profile, Compositor& compositor);

    const Rect& Footprint() const { return m_footprint; }
    // The footprint as a drawing loaded or a test sets it.
    void SetFootprint(const Rect& footprint) { m_footprint = footprint; }
    bool HasLayer() const;
    // Drawing pixels per inch on the printed sheet.
    double FootprintPixelsPerInch() const;
    // The smallest side of a footprint, drawing pixels.
    int32_t MinimumSide() const;

    // Builds the "RoviDivod" layer over the area (clipped to the drawing; a side shorter than
    // MinimumSide refuses it and nothing changes): the drawing beneath as a light blue trace, and the
    // marks. An earlier RoviDivod layer makes way. The area becomes the footprint.
    bool Create(const Rect& area);
    // Deletes the "RoviDivod" layer and empties the footprint.
    void Reset();
    // The scanback of the top layer, a "Scanned RoviDivod" scanned at scanPixelsPerInch. Without a
    // footprint nothing happens, unless `reposition` (the footprint's loss is then reported).
    bool ScanBack(bool reposition = false, double scanPixelsPerInch = 300.0);
    // The registration of the last scanback that found its marks.
    const RealignedLines& LastRealignment() const { return m_last; }

private:
    bool Fail(const char* first, const char* second = nullptr);
    void RemoveNamed(const char* name);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    ProfileManager& m_profile;
    Compositor& m_compositor;
    Rect m_footprint;
    RealignedLines m_last;
};

} // namespace ts
