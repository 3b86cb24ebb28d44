#pragma once

// Pictures embedded as PNG resources, decoded with WIC into premultiplied 32-bit BGRA pixels.

#include <cstdint>
#include <vector>

struct TPixels {
    int Width = 0;
    int Height = 0;
    // Top-down rows of premultiplied BGRA, one 32-bit value a pixel.
    std::vector<std::uint32_t> Data;
};

// Where a picture of `width` x `height` lands when scaled into a box of `boxWidth` x
// `boxHeight` keeping its proportions and centred: x, y, width, height in whole pixels.
struct TFitted {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};
TFitted FitInto(int width, int height, int boxWidth, int boxHeight);

// The RCDATA resource `name` of the executable, decoded and scaled to fit the box; the pixels
// have the fitted size. Raises Exception when the resource is missing or does not decode.
TPixels LoadFittedPicture(const wchar_t* name, int boxWidth, int boxHeight);
