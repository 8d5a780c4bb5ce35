#include "app/view_cursors.h"

#include "interact/view_window.h"

#include <QImage>
#include <QPixmap>

#include <array>
#include <initializer_list>

namespace ts {

namespace {

// A cursor picture: 16 x 16, 'X' black, 'o' white, anything else clear. Every picture is shown twice
// its size (a common cursor is 32 pixels) with a white rim around the black so that it reads on dark
// and light drawings alike.
using Picture = std::array<const char*, 16>;
constexpr int kSize = 16;
constexpr int kScale = 2;

// A magnifying glass with a plus; the hot spot is the middle of the lens.
constexpr Picture kZoom = {{
    "....XXXXX.......",
    "..XXoooooXX.....",
    ".XooooXooooX....",
    ".XooooXooooX....",
    "XoooooXoooooX...",
    "XooXXXXXXXooX...",
    "XoooooXoooooX...",
    ".XooooXooooX....",
    ".XooooXooooX....",
    "..XXoooooXXX....",
    "....XXXXX.XXX...",
    "...........XXX..",
    "............XXX.",
    ".............XXX",
    "..............XX",
    "................",
}};

// A ring on a cross: the point that becomes the origin.
constexpr Picture kOrigin = {{
    "......X.........",
    "......X.........",
    "......X.........",
    "....XXXXX.......",
    "...X..X..X......",
    "..X...X...X.....",
    "XXXXXXXXXXXXX...",
    "..X...X...X.....",
    "...X..X..X......",
    "....XXXXX.......",
    "......X.........",
    "......X.........",
    "......X.........",
    "................",
    "................",
    "................",
}};

// The cross of the line cursors, open in the middle so that the point stays visible.
constexpr Picture kCross = {{
    "......X.........",
    "......X.........",
    "......X.........",
    "......X.........",
    "................",
    "................",
    "XXXX.....XXXX...",
    "................",
    "................",
    "......X.........",
    "......X.........",
    "......X.........",
    "......X.........",
    "................",
    "................",
    "................",
}};

// The line cursors' marks beside the cross: a pencil stroke (draw), a node on a segment (edit) and a
// grid (snap to the grid).
constexpr Picture kLineMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..............X.",
    ".............XX.",
    "............XX..",
    "...........XX...",
    "..........XX....",
    ".........XX.....",
    "................",
}};
constexpr Picture kEditMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..........XXXXX.",
    "..........XoooX.",
    ".XXXXXXXXXXoooX.",
    "..........XoooX.",
    "..........XXXXX.",
    "................",
    "................",
}};
constexpr Picture kGridMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "...........X.X..",
    "..........XXXXX.",
    "...........X.X..",
    "..........XXXXX.",
    "...........X.X..",
    "................",
    "................",
}};

// The measure cursors' marks: a ruler (measuring), and the number of the calibration point to click.
constexpr Picture kRulerMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    ".........XXXXXXX",
    ".........XoXoXoX",
    ".........XoooooX",
    ".........XXXXXXX",
    "................",
    "................",
}};
constexpr Picture kOneMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "...........XX...",
    "..........XXX...",
    "...........XX...",
    "...........XX...",
    "...........XX...",
    "..........XXXX..",
    "................",
}};
constexpr Picture kTwoMark = {{
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..........XXXX..",
    ".............XX.",
    "............XX..",
    "...........XX...",
    "..........XX....",
    "..........XXXXX.",
    "................",
}};

QCursor Draw(std::initializer_list<const Picture*> layers, int hotX, int hotY) {
    QImage image(kSize * kScale, kSize * kScale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (const Picture* picture : layers) {
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const char c = (*picture)[static_cast<size_t>(y)][x];
                if (c != 'X' && c != 'o') {
                    continue;
                }
                const QRgb color = c == 'X' ? qRgba(0, 0, 0, 255) : qRgba(255, 255, 255, 255);
                for (int dy = 0; dy < kScale; ++dy) {
                    for (int dx = 0; dx < kScale; ++dx) {
                        image.setPixel(x * kScale + dx, y * kScale + dy, color);
                    }
                }
            }
        }
    }
    // The white rim: every clear pixel next to a black one.
    const QImage shape = image.copy();
    const QRgb black = qRgba(0, 0, 0, 255);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(shape.pixel(x, y)) != 0) {
                continue;
            }
            bool nearBlack = false;
            for (int dy = -1; dy <= 1 && !nearBlack; ++dy) {
                for (int dx = -1; dx <= 1 && !nearBlack; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    nearBlack = shape.valid(nx, ny) && shape.pixel(nx, ny) == black;
                }
            }
            if (nearBlack) {
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
            }
        }
    }
    return QCursor(QPixmap::fromImage(image), hotX * kScale, hotY * kScale);
}

} // namespace

std::optional<QCursor> ProgramCursor(int32_t cursorId) {
    switch (cursorId) {
    case cursors::kZoom:
        return Draw({&kZoom}, 6, 5);
    case cursors::kOrigin:
        return Draw({&kOrigin}, 6, 6);
    case cursors::kLine:
        return Draw({&kCross, &kLineMark}, 6, 6);
    case cursors::kLineEdit:
        return Draw({&kCross, &kEditMark}, 6, 6);
    case cursors::kLineGridSnap:
        return Draw({&kCross, &kGridMark}, 6, 6);
    case cursors::kMeasure:
        return Draw({&kCross, &kRulerMark}, 6, 6);
    case cursors::kCalibrateFirst:
        return Draw({&kCross, &kOneMark}, 6, 6);
    case cursors::kCalibrateSecond:
        return Draw({&kCross, &kTwoMark}, 6, 6);
    default:
        return std::nullopt;
    }
}

} // namespace ts
