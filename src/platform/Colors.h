#pragma once
// Colour values as the program stores them: 32 bits with red in the low byte, then green, then blue.
// The colour type and its conversion live in Graphics.h.

#include "Graphics.h"

constexpr TColor clRed = 0x0000FF;
