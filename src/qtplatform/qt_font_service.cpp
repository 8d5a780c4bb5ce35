#include "qtplatform/qt_font_service.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRawFont>

#include <cmath>

namespace ts {

namespace {

bool HaveFontDatabase() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

struct QtFontService::State {
    QRawFont font;
    bool open = false;
};

QtFontService::QtFontService() : m_state(std::make_unique<State>()) {}

QtFontService::~QtFontService() = default;

std::vector<std::string> QtFontService::Families() {
    std::vector<std::string> families;
    if (!HaveFontDatabase()) {
        return families;
    }
    for (const QString& family : QFontDatabase::families()) {
        families.push_back(family.toStdString());
    }
    return families;
}

bool QtFontService::OpenRegular(const std::string& family, double emSize, FontMetrics& metrics) {
    m_state->open = false;
    m_state->font = QRawFont();
    if (!HaveFontDatabase() || !(emSize > 0.0) || !std::isfinite(emSize)) {
        return false;
    }
    const QString name = QString::fromStdString(family);
    QString regular;
    for (const QString& style : QFontDatabase::styles(name)) {
        if (!QFontDatabase::italic(name, style) && QFontDatabase::weight(name, style) == QFont::Normal) {
            regular = style;
            break;
        }
    }
    if (regular.isEmpty()) {
        return false;
    }
    QFont font = QFontDatabase::font(name, regular, 12);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::NoFontMerging);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) {
        return false;
    }
    raw.setPixelSize(emSize);
    metrics.ascent = raw.ascent();
    metrics.descent = raw.descent();
    m_state->font = raw;
    m_state->open = true;
    return true;
}

bool QtFontService::Glyph(char32_t character, GlyphOutline& out) {
    out = GlyphOutline{};
    if (!m_state->open) {
        return false;
    }
    const QRawFont& font = m_state->font;
    const QString text = QString::fromUcs4(&character, 1);
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    if (glyphs.isEmpty()) {
        return true;
    }
    const QList<QPointF> advances =
        font.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics);
    if (!advances.isEmpty()) {
        out.advance = advances.front().x();
    }
    // Qt's outlines have y down with the baseline at 0, as the lettering wants them.
    const QPainterPath path = font.pathForGlyph(glyphs.front());
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        GlyphContour contour;
        contour.reserve(static_cast<size_t>(polygon.size()));
        for (const QPointF& p : polygon) {
            contour.push_back(GlyphPoint{p.x(), p.y()});
        }
        // A closed subpath repeats its first point at the end; the contour closes by itself.
        if (contour.size() > 1 && contour.front().x == contour.back().x &&
            contour.front().y == contour.back().y) {
            contour.pop_back();
        }
        if (contour.size() >= 3) {
            out.contours.push_back(std::move(contour));
        }
    }
    return true;
}

} // namespace ts
