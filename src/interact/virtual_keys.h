#pragma once

#include <cstdint>

// Key codes and modifier bits as the view delivers them: Windows virtual-key codes, and the key-state
// word of mouse and key messages (Shift 4, Ctrl 8; keys also carry the extended-key bit).
namespace ts::keys {

inline constexpr uint32_t kShiftFlag = 4;
inline constexpr uint32_t kCtrlFlag = 8;
inline constexpr uint32_t kExtendedFlag = 0x100;
// Caps Lock was on when the key was pressed.
inline constexpr uint32_t kCapsLockFlag = 0x200;

inline constexpr uint32_t kBack = 0x08;
inline constexpr uint32_t kTab = 0x09;
inline constexpr uint32_t kReturn = 0x0D;
inline constexpr uint32_t kEscape = 0x1B;
inline constexpr uint32_t kSpace = 0x20;
inline constexpr uint32_t kPageUp = 0x21;   // VK_PRIOR
inline constexpr uint32_t kPageDown = 0x22; // VK_NEXT
inline constexpr uint32_t kLeft = 0x25;
inline constexpr uint32_t kUp = 0x26;
inline constexpr uint32_t kRight = 0x27;
inline constexpr uint32_t kDown = 0x28;
inline constexpr uint32_t kInsert = 0x2D;
inline constexpr uint32_t kDelete = 0x2E;
inline constexpr uint32_t kShift = 0x10;
inline constexpr uint32_t kControl = 0x11;
inline constexpr uint32_t kCapital = 0x14; // Caps Lock
// The punctuation keys of a US keyboard: ; = , - . / ` and [ \ ] '.
inline constexpr uint32_t kOemSemicolon = 0xBA;
inline constexpr uint32_t kOemPlus = 0xBB;
inline constexpr uint32_t kOemComma = 0xBC;
inline constexpr uint32_t kOemMinus = 0xBD;
inline constexpr uint32_t kOemPeriod = 0xBE;
inline constexpr uint32_t kOemSlash = 0xBF;
inline constexpr uint32_t kOemGrave = 0xC0;
inline constexpr uint32_t kOemOpenBracket = 0xDB;
inline constexpr uint32_t kOemBackslash = 0xDC;
inline constexpr uint32_t kOemCloseBracket = 0xDD;
inline constexpr uint32_t kOemQuote = 0xDE;

// Letter keys are their upper-case character codes, whether or not Shift is held.
constexpr uint32_t Letter(char upper) {
    return static_cast<uint32_t>(upper);
}

constexpr bool IsArrow(uint32_t key) {
    return key >= kLeft && key <= kDown;
}

// Keys that belong to the frame's accelerators (Ctrl with a letter, Shift+Delete, Shift+Insert): they
// never reach the view's key handling, so Ctrl+C cannot toggle what C does.
constexpr bool IsFrameAccelerator(uint32_t key, uint32_t flags) {
    const bool letter = key >= Letter('A') && key <= Letter('Z');
    return ((flags & kCtrlFlag) && letter) ||
           ((flags & kShiftFlag) && !(flags & kCtrlFlag) && (key == kDelete || key == kInsert));
}

} // namespace ts::keys
