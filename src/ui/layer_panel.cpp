#include "ui/layer_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace ts {

namespace {
constexpr int kMargin = 3;
constexpr const char* kToggleLetters[3] = {"D", "H", "M"};
} // namespace

LayerPanel::LayerPanel(Workspace& workspace, QWidget* parent) : QWidget(parent), m_workspace(workspace) {
    setMinimumWidth(220);
    setFixedHeight(kRowHeight * 3 + 2);
    setToolTip("Layers: D dims, H hides, M marks a layer. Drag a layer onto another to merge them.");
}

QSize LayerPanel::sizeHint() const {
    return {240, kRowHeight * 3 + 2};
}

int32_t LayerPanel::Rows() const {
    return std::max(0, m_workspace.imageStack.Count() - ImageStackManager::kFirstDrawingLayer);
}

int32_t LayerPanel::IndexOfRow(int32_t row) const {
    const int32_t index = m_workspace.imageStack.Count() - 1 - row;
    return index >= ImageStackManager::kFirstDrawingLayer ? index : -1;
}

int32_t LayerPanel::RowAt(int y) const {
    const int32_t row = m_firstRow + y / kRowHeight;
    return row < Rows() ? row : -1;
}

int LayerPanel::ToggleAt(int x) {
    const int i = (x - kMargin) / (kToggleSize + 4);
    return x >= kMargin && i < 3 ? i : -1;
}

void LayerPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    m_firstRow = std::clamp(m_firstRow, 0, std::max(0, Rows() - 3));
    const int32_t partner = m_workspace.layerOperations.MergePartner();
    for (int32_t r = m_firstRow; r < Rows() && (r - m_firstRow) * kRowHeight < height(); ++r) {
        const int32_t index = IndexOfRow(r);
        const LayerObject* layer = m_workspace.imageStack.Layer(index);
        if (!layer) {
            continue;
        }
        const int y = (r - m_firstRow) * kRowHeight;
        const QRect row(0, y, width(), kRowHeight);
        if (index == m_workspace.imageStack.Current()) {
            p.fillRect(row, palette().highlight());
        } else if (index == partner) {
            p.fillRect(row, QColor(255, 230, 170));
        }
        const bool flags[3] = {layer->dimmed, layer->hidden, layer->marked};
        for (int t = 0; t < 3; ++t) {
            const QRect box(kMargin + t * (kToggleSize + 4), y + (kRowHeight - kToggleSize) / 2, kToggleSize,
                            kToggleSize);
            p.fillRect(box, flags[t] ? QColor(90, 90, 90) : QColor(245, 245, 245));
            p.setPen(flags[t] ? Qt::white : QColor(120, 120, 120));
            p.drawRect(box.adjusted(0, 0, -1, -1));
            p.drawText(box, Qt::AlignCenter, kToggleLetters[t]);
        }
        p.setPen(index == m_workspace.imageStack.Current() ? palette().highlightedText().color()
                                                           : palette().text().color());
        const QString name = QString::fromStdString(layer->name.empty() ? "(unnamed)" : layer->name);
        const int textLeft = kMargin + 3 * (kToggleSize + 4) + 4;
        p.drawText(QRect(textLeft, y, width() - textLeft - kMargin, kRowHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, QString::number(index - 1) + "  " + name);
    }
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void LayerPanel::mousePressEvent(QMouseEvent* event) {
    const int32_t row = RowAt(static_cast<int>(event->position().y()));
    const int32_t index = row >= 0 ? IndexOfRow(row) : -1;
    if (index < 0 || event->button() != Qt::LeftButton) {
        return;
    }
    LayerOperations& ops = m_workspace.layerOperations;
    switch (ToggleAt(static_cast<int>(event->position().x()))) {
    case 0:
        ops.ToggleDimmed(index);
        break;
    case 1:
        ops.ToggleHidden(index);
        break;
    case 2:
        ops.ToggleMarked(index);
        break;
    default:
        ops.Select(index);
        m_dragFrom = index;
        m_dragging = false;
        break;
    }
    update();
    if (changed) {
        changed();
    }
}

void LayerPanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragFrom >= 0 && (event->buttons() & Qt::LeftButton)) {
        m_dragging = true;
        setCursor(Qt::DragMoveCursor);
    }
}

void LayerPanel::mouseReleaseEvent(QMouseEvent* event) {
    const int32_t row = RowAt(static_cast<int>(event->position().y()));
    const int32_t target = row >= 0 ? IndexOfRow(row) : -1;
    if (m_dragging && target >= 0 && target != m_dragFrom) {
        m_workspace.layerOperations.SetMergePartner(target);
        update();
    }
    unsetCursor();
    m_dragFrom = -1;
    m_dragging = false;
}

void LayerPanel::wheelEvent(QWheelEvent* event) {
    m_firstRow += event->angleDelta().y() > 0 ? -1 : 1;
    update();
}

} // namespace ts
