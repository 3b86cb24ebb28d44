#pragma once

// Pictures compiled into the executable already decoded (premultiplied 32-bit BGRA, as the
// build writes them), scaled to fit where they are shown. No decoder is involved.

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

// `source` scaled to `width` x `height`: each new pixel the average of the area of the old ones
// it covers, so that a picture made smaller keeps its thin lines and soft edges. The same size
// gives the same pixels.
TPixels ScalePixels(const TPixels& source, int width, int height);

// The RCDATA resource `name` of the executable, decoded by the build, scaled to fit the box; the
// pixels have the fitted size. Raises Exception when the resource is missing or malformed.
TPixels LoadFittedPicture(const wchar_t* name, int boxWidth, int boxHeight);
