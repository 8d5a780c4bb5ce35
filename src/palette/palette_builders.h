#pragma once

#include "model/layer_object.h"
#include "palette/palette_color_list.h"
#include "palette/pencil_manager.h"
#include "palette/tool_listings.h"
#include "platform/image24.h"

#include <cstdint>

namespace ts {

// The calculated palettes: made from the selected colour, from pixels, from the listings or from the
// lighting of a layer.

// Which component of the selected colour a ramp varies.
enum class HsbComponent { kHue, kSaturation, kBrightness };

// 241 variations of one component of the colour (0..240), the other two kept; entry i has source
// index i and is marked selected where the varied value is the colour's own. A brightness ramp is
// then sorted by luminance, lightest first; hue and saturation keep the order 0..240.
PaletteColorList BuildHsbRamp(uint32_t color, HsbComponent component);

// The colours of a picture, from a 32 x 32 x 32 histogram of cells 8 wide per channel taken over every
// second row (pixels whose channels are all 32 or less are skipped). More than target cells in use
// are thinned by passes r = 1, 2, ...: cells of count at most 10 r are emptied, then along each axis
// every local maximum at distance r empties its two neighbours there, as long as more than target
// cells are in use. Each remaining cell gives an entry at its lower corner, lightest first.
// average receives the count-weighted mean of the cells' corners. False when no pixel was counted.
bool BuildHistogramPalette(const Image24& picture, PaletteColorList& list, uint32_t& average,
                           int32_t target = PaletteColorList::kMaxColors);

// One entry per enabled board (at most 512), its listed colour, tool index and name, nearest to the
// reference colour first (Euclidean distance in RGB, stable).
PaletteColorList BuildBoardPalette(const ToolListings& listings, uint32_t reference);

// One entry per pencil of the pencil list (at most the first 512) in list order: the pencil's colour
// and name, its place in the list as source index and count.
PaletteColorList BuildPencilPalette(const ToolListings& listings, const PencilManager& pencils);

// The 256 shades of the paper colour under a layer's lighting, darkest to lightest: the paper colour's
// brightness is held within 120..200, then lit at every level as the compositor lights a pixel with
// light index 0 (no grain). Entry i has source index i; entry 127 is marked. Without a layer the
// default light (white) and shade (black) are used with no level table.
PaletteColorList BuildLightingPalette(uint32_t paperColor, const LayerObject* layer);

// The condensed variant for k colour swatches: entry j is full entry floor(j s), s = n / k in 16.16
// fixed point. When the full list has a marked entry, the swatch nearest to it takes it and the
// swatches before and after are spread over the entries before and after it. A full list of at most
// k entries is its own condensed variant; k below 1 gives an empty list.
PaletteColorList CondensePalette(const PaletteColorList& full, int32_t k);

// The average colour of a picture sampled as the compositor samples the drawing: rows whose index is
// a multiple of 4, every 4th pixel, only pixels whose three channels are all non-zero. The fallback
// when nothing was sampled.
uint32_t SampleAverageColor(const Image24& picture, uint32_t fallback);

} // namespace ts
