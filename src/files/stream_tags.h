#pragma once

#include <cstdint>

// The numbers of the drawing stream: a sequence of 32-bit little-endian integers with numeric tags
// and end markers.
namespace ts::tags {

// Header: kind, kind repeated, version, and (above version 100) a fourth word of at least 10.
inline constexpr int32_t kStreamKind = 201;
inline constexpr int32_t kOldStreamKind = 200; // needs the end tag 1003, which no reader accepts
inline constexpr int32_t kVersion = 200;
inline constexpr int32_t kHeaderWord = 300;
inline constexpr int32_t kMinHeaderWord = 10;
// Versions from here on are newer than this program.
inline constexpr int32_t kFirstNewerVersion = 201;
inline constexpr int32_t kFirstUpgradeVersion = 300;
// Layer records carry id, header values and the property block from this version on.
inline constexpr int32_t kLayerHeaderVersion = 200;
// Frame holders carry their four corner points from this version on.
inline constexpr int32_t kFramePointsVersion = 104;

inline constexpr int32_t kLayerStart = 100;
inline constexpr int32_t kLayerStartOld = 101;

// Layer parts.
inline constexpr int32_t kAuxBuffer = 10;
inline constexpr int32_t kImage = 12;
inline constexpr int32_t kColor = 22;
inline constexpr int32_t kLineArt = 32;
inline constexpr int32_t kShadowOld = 42;
inline constexpr int32_t kShadow = 43;
inline constexpr int32_t kFrame = 62;
inline constexpr int32_t kExtraData = 72;

// Sections of the surface colour.
inline constexpr int32_t kColorAppearances = 23;
inline constexpr int32_t kColorAppearanceIndex = 24;
inline constexpr int32_t kColorBlue = 25;
inline constexpr int32_t kColorGreen = 26;
inline constexpr int32_t kColorRed = 27;
inline constexpr int32_t kColorAmount = 28;

// Sections of the line art (35 is also the frame holder's drawing buffer).
inline constexpr int32_t kLineAppearances = 33;
inline constexpr int32_t kLineAppearanceIndex = 34;
inline constexpr int32_t kLineBuffer = 35;
inline constexpr int32_t kLineColors = 36;
inline constexpr int32_t kLineColorIndex = 37;
inline constexpr int32_t kLineRefreshWidth = 38;
inline constexpr int32_t kLineRefreshAppearance = 39;

// Sections of the shadows.
inline constexpr int32_t kShadowAppearances = 44;
inline constexpr int32_t kShadowAppearanceIndex = 45;
inline constexpr int32_t kShadowLighting = 46;

// Buffers of older layouts that this version reads past.
inline constexpr bool IsRetiredBuffer(int32_t tag) {
    return (tag >= 53 && tag <= 55) || tag == 63;
}

// End markers.
inline constexpr int32_t kTrailerEnd = 1001;
inline constexpr int32_t kLayersEnd = 1002;
inline constexpr int32_t kOldLayersEnd = 1003;
inline constexpr int32_t kLayerEnd = 1004;
inline constexpr int32_t kPartEnd = 1005;
inline constexpr int32_t kBufferEnd = 1006;
inline constexpr int32_t kListEnd = 1007;

// Extra data longer than this is refused.
inline constexpr int32_t kMaxExtraData = 50000;

} // namespace ts::tags
