#pragma once
// Colours as 32-bit values: 0x00BBGGRR for a plain colour, 0x80000000 + n for system colour n.
#include <QColor>
#include <cstdint>

inline constexpr std::uint32_t SystemColorButtonFace = 0x8000000F;
inline constexpr std::uint32_t SystemColorWindowBackground = 0x80000005;
inline constexpr std::uint32_t SystemColorInactiveBorder = 0x8000000B;

// The colour a value stands for, system colours taken from the application's palette.
QColor SystemColor(std::uint32_t value);
