#pragma once

#include <cstdint>

namespace ts {

// Integer rectangle; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

// The smallest rectangle holding both; an empty one takes no part.
inline Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) {
        return b;
    }
    if (b.IsEmpty()) {
        return a;
    }
    return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// The common part of both, or the empty rectangle.
inline Rect Intersection(const Rect& a, const Rect& b) {
    const Rect c{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                 a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return c.IsEmpty() ? Rect{} : c;
}

inline Rect Translated(const Rect& r, int32_t dx, int32_t dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

inline Rect Grown(const Rect& r, int32_t by) {
    return Rect{r.left - by, r.top - by, r.right + by, r.bottom + by};
}

} // namespace ts
