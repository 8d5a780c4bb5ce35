#pragma once

#include "import/thinning.h"
#include "platform/image24.h"
#include "raster/rect.h"

#include <array>
#include <cstdint>
#include <vector>

// The registration marks of a RoviDivod sheet and how they are found again on its scan.
//
// The marks are ten solid black discs 0.18 in across, each with a white surround, lying inside the
// footprint in three rows: four along the top, three across the middle and three along the bottom, at
// uneven places along each row. The rows hold 4, 3 and 3 marks, so a sheet fed upside down (or turned
// a quarter) gives rows that do not match and is recognised as such, and its true turn is found.
//
// On the scan, every line pixel scores the line pixels met on the square rings of radius 1 to 17 around
// it, a ring scan ending once more than 4 samples in a row were empty: a disc of the marks' size scores
// close to the full 1224 at its centre, a pencil line (a few pixels wide) well below 100, so a score
// above 800 singles the marks out. Candidates are the pixels above 800 that no neighbour outscores
// (at most 1024); candidates within a mark's diameter of each other are one mark, and a mark counts only
// when the ring around it is mostly white (which a large dark area is not). Its centre is the centroid of
// the disc's pixels.
namespace ts::marks {

inline constexpr int32_t kCount = 10;
inline constexpr double kRadiusInches = 0.09;
// From the mark's centre to the footprint's edge.
inline constexpr double kInsetInches = 0.16;
// The smallest footprint that holds the marks apart, inches a side.
inline constexpr double kMinimumSideInches = 2.0;
inline constexpr int32_t kMaxRing = 17;
inline constexpr int32_t kMaxEmptyRun = 4;
inline constexpr int32_t kScoreThreshold = 800;
inline constexpr int32_t kMaxCandidates = 1024;
// Marks per row, top to bottom.
inline constexpr std::array<int32_t, 3> kRowCounts{4, 3, 3};

struct Point {
    double x = 0;
    double y = 0;
};

// The centres of the marks in a footprint of width x height pixels (its own top-left at 0, 0), in
// row order (top row first, each row from left to right). pixelsPerInch is the footprint's
// resolution on paper.
std::array<Point, kCount> Layout(double width, double height, double pixelsPerInch);

// Draws the marks: black discs over a white surround of twice their radius.
void Draw(Image24& image, const Rect& footprint, double pixelsPerInch);

// The mark score of a line pixel (see above).
int32_t RingScore(const LineMask& mask, int32_t x, int32_t y);

// The marks found on a scan of pixelsPerInch, in no particular order.
std::vector<Point> Find(const LineMask& mask, double pixelsPerInch);

// Where the sheet lies on the scan: scan point = origin + R(angle) (scaleX * x, scaleY * y) for a
// footprint point (x, y). rms is the fit's root mean square residual in scan pixels.
struct Registration {
    bool found = false;
    double angle = 0; // radians, the footprint's x axis on the scan, clockwise on screen
    double scaleX = 1;
    double scaleY = 1;
    Point origin;
    double rms = 0;

    Point ToScan(Point footprint) const;
};

// Pairs the found marks with the layout and fits the registration by least squares (a general affine
// map, read as a turn and two scales). The pairing is tried for the sheet as it lies and turned by
// each quarter; the turn whose rows match the layout's and whose fit is closest wins. Not found when
// there are not exactly ten marks, no turn matches, or the best fit is off by more than a third of a
// mark's radius.
Registration Fit(const std::vector<Point>& found, const std::array<Point, kCount>& layout,
                 double pixelsPerInch);

} // namespace ts::marks
