#pragma once

#include "raster/rect.h"

#include <cstdint>

namespace ts {

// Cursor identifiers: the system cursors by their Windows numbers and the program's own cursors by
// their resource numbers. The view maps them to its platform's cursors.
namespace cursors {
inline constexpr int32_t kArrow = 32512;
inline constexpr int32_t kIBeam = 32513;
inline constexpr int32_t kSizeNWSE = 32642;
inline constexpr int32_t kSizeNESW = 32643;
inline constexpr int32_t kSizeWE = 32644;
inline constexpr int32_t kSizeNS = 32645;
inline constexpr int32_t kSizeAll = 32646;
inline constexpr int32_t kZoom = 158;
inline constexpr int32_t kHand = 159;
inline constexpr int32_t kOrigin = 170;
inline constexpr int32_t kLine = 194;
inline constexpr int32_t kLineEdit = 338;
inline constexpr int32_t kLineGridSnap = 419;
inline constexpr int32_t kMeasure = 169;
inline constexpr int32_t kCalibrateFirst = 407;
inline constexpr int32_t kCalibrateSecond = 409;
} // namespace cursors

// What the interaction code asks of the view window: its cursor, mouse capture, keyboard focus and
// repainting a part of it from the display buffer. Every operation defaults to nothing, so the core
// runs without a window.
class ViewWindow {
public:
    virtual ~ViewWindow() = default;
    virtual void SetCursor(int32_t /*cursorId*/) {}
    virtual void CaptureMouse() {}
    virtual void ReleaseMouse() {}
    // Gives the keyboard focus back to the main frame (after a panel control had it).
    virtual void FocusFrame() {}
    // The client rectangle of the display buffer changed outside a refresh (transient feedback).
    virtual void RepaintWindow(const Rect& /*clientRect*/) {}
};

// The view window the core talks to; the application points it at the real window, tests at a
// recorder. Without a target every call does nothing.
class ViewWindowRelay final : public ViewWindow {
public:
    void SetTarget(ViewWindow* target) { m_target = target ? target : &m_none; }
    void SetCursor(int32_t cursorId) override {
        m_cursor = cursorId;
        m_target->SetCursor(cursorId);
    }
    void CaptureMouse() override {
        m_captured = true;
        m_target->CaptureMouse();
    }
    void ReleaseMouse() override {
        m_captured = false;
        m_target->ReleaseMouse();
    }
    void FocusFrame() override { m_target->FocusFrame(); }
    void RepaintWindow(const Rect& clientRect) override { m_target->RepaintWindow(clientRect); }

    // The cursor last set and whether the mouse is captured.
    int32_t Cursor() const { return m_cursor; }
    bool Captured() const { return m_captured; }

private:
    ViewWindow m_none;
    ViewWindow* m_target = &m_none;
    int32_t m_cursor = cursors::kArrow;
    bool m_captured = false;
};

} // namespace ts
