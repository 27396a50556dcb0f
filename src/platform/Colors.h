#pragma once
// Colour values as the program stores them: 32 bits with red in the low byte, then green, then blue.

#include <QColor>
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;

inline QColor ColorToQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
