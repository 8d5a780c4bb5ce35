#include "files/flatten.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace ts {

namespace {

// Shows every part at full grain for the lifetime of the object.
class AllPartsShown {
public:
    AllPartsShown(Compositor& compositor, bool currentOnly)
        : m_compositor(compositor), m_switches(compositor.switches), m_paper(compositor.paper) {
        m_compositor.switches = ViewSwitches{};
        m_compositor.switches.showSelectedOnly = currentOnly;
        m_compositor.paper.textureOneToOne = false;
    }
    ~AllPartsShown() {
        m_compositor.switches = m_switches;
        m_compositor.paper = m_paper;
    }
    AllPartsShown(const AllPartsShown&) = delete;
    AllPartsShown& operator=(const AllPartsShown&) = delete;

private:
    Compositor& m_compositor;
    ViewSwitches m_switches;
    PaperSettings m_paper;
};

bool RenderArea(Compositor& compositor, const Rect& area, bool currentOnly, Image24& image) {
    if (area.IsEmpty() || !image.Create(area.Width(), area.Height())) {
        return false;
    }
    AllPartsShown shown(compositor, currentOnly);
    for (int32_t y = 0; y < area.Height(); ++y) {
        compositor.CompositeRow(area.top + y, area.left, area.Width(), image.Row(y), nullptr, nullptr,
                                nullptr);
    }
    return true;
}

} // namespace

bool RenderFlattened(Compositor& compositor, const ImageStackManager& stack, Image24& image) {
    return RenderArea(compositor, stack.DrawingRect(), false, image);
}

bool RenderCurrentLayer(Compositor& compositor, const ImageStackManager& stack, const Rect& area,
                        Image24& image) {
    return RenderArea(compositor, Intersection(area, stack.DrawingRect()), true, image);
}

bool RenderHalfSize(Compositor& compositor, const ImageStackManager& stack, Image24& image) {
    const int32_t width = stack.DrawingWidth();
    const int32_t height = stack.DrawingHeight();
    if (width < 1 || height < 1 || !image.Create(std::max(1, width / 2), std::max(1, height / 2))) {
        return false;
    }
    std::vector<uint8_t> rows[2];
    try {
        rows[0].resize(static_cast<size_t>(width) * 3);
        rows[1].resize(static_cast<size_t>(width) * 3);
    } catch (const std::exception&) {
        return false;
    }
    AllPartsShown shown(compositor, false);
    for (int32_t y = 0; y < image.Height(); ++y) {
        // A drawing of one row or column repeats it.
        const int32_t first = std::min(2 * y, height - 1);
        compositor.CompositeRow(first, 0, width, rows[0].data(), nullptr, nullptr, nullptr);
        compositor.CompositeRow(std::min(first + 1, height - 1), 0, width, rows[1].data(), nullptr, nullptr,
                                nullptr);
        uint8_t* out = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            const auto a = static_cast<size_t>(std::min(2 * x, width - 1)) * 3;
            const auto b = static_cast<size_t>(std::min(2 * x + 1, width - 1)) * 3;
            for (size_t c = 0; c < 3; ++c) {
                const int sum = rows[0][a + c] + rows[0][b + c] + rows[1][a + c] + rows[1][b + c];
                out[static_cast<size_t>(x) * 3 + c] = static_cast<uint8_t>(sum >> 2);
            }
        }
    }
    return true;
}

} // namespace ts
