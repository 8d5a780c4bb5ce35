#pragma once

#include "workspace/workspace.h"

#include <QWidget>

#include <functional>

namespace ts {

// The layer panel of the control bar: one row per drawing layer, the top layer first, each with the
// dimmed, hidden and third toggles and the layer's name; the current layer is highlighted. A click on
// a row selects its layer; dragging a row onto another marks that layer as the merge partner.
class LayerPanel final : public QWidget {
public:
    LayerPanel(Workspace& workspace, QWidget* parent);

    // Called after the panel changed the drawing, so the frame updates its indicators.
    std::function<void()> changed;

    QSize sizeHint() const override;
    // The stack index shown in a row, and the row of a widget y.
    int32_t IndexOfRow(int32_t row) const;
    int32_t RowAt(int y) const;

    static constexpr int kRowHeight = 20;
    static constexpr int kToggleSize = 14;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int32_t Rows() const;
    // The toggle (0 dimmed, 1 hidden, 2 third) at a widget x, or -1 on the name.
    static int ToggleAt(int x);

    Workspace& m_workspace;
    int32_t m_firstRow = 0; // scrolled rows
    int32_t m_dragFrom = -1;
    bool m_dragging = false;
};

} // namespace ts
