#include "framework/Picture.h"

#include "runtime/Exceptions.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// One new pixel along one axis: the old pixels it covers and how much of each. In units where
// an old pixel is `to` long and a new one `from`, so that every overlap is a whole number and
// the weights of one new pixel add up to `from`.
struct TSpan {
    int First = 0;
    std::vector<std::uint32_t> Weights;
};

std::vector<TSpan> Spans(int from, int to) {
    std::vector<TSpan> spans(static_cast<std::size_t>(to));
    for (int n = 0; n < to; ++n) {
        const long long begin = static_cast<long long>(n) * from;
        const long long end = begin + from;
        TSpan& span = spans[static_cast<std::size_t>(n)];
        span.First = static_cast<int>(begin / to);
        for (long long old = span.First; old * to < end; ++old) {
            const long long overlap = std::min(end, (old + 1) * to) - std::max(begin, old * to);
            span.Weights.push_back(static_cast<std::uint32_t>(overlap));
        }
    }
    return spans;
}

// The decoded picture as the build writes it: width and height as two 32-bit numbers, then
// the rows.
TPixels ReadDecoded(const wchar_t* name) {
    HRSRC found = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) {
        throw Exception(u"Bild: Ressource fehlt");
    }
    const DWORD size = SizeofResource(nullptr, found);
    std::uint32_t header[2] = {};
    if (size < sizeof header) {
        throw Exception(u"Bild: beschädigt");
    }
    std::memcpy(header, bytes, sizeof header);
    if (header[0] == 0 || header[1] == 0 || header[0] > 0x4000 || header[1] > 0x4000 ||
        size != sizeof header + static_cast<std::uint64_t>(header[0]) * header[1] * 4) {
        throw Exception(u"Bild: beschädigt");
    }
    TPixels pixels;
    pixels.Width = static_cast<int>(header[0]);
    pixels.Height = static_cast<int>(header[1]);
    pixels.Data.resize(static_cast<std::size_t>(header[0]) * header[1]);
    std::memcpy(pixels.Data.data(), bytes + sizeof header, pixels.Data.size() * 4);
    return pixels;
}

} // namespace

TFitted FitInto(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return {};
    }
    const double scale =
        std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
    TFitted fitted;
    fitted.Width = std::clamp(static_cast<int>(std::lround(width * scale)), 1, boxWidth);
    fitted.Height = std::clamp(static_cast<int>(std::lround(height * scale)), 1, boxHeight);
    fitted.X = (boxWidth - fitted.Width) / 2;
    fitted.Y = (boxHeight - fitted.Height) / 2;
    return fitted;
}

TPixels ScalePixels(const TPixels& source, int width, int height) {
    if (width == source.Width && height == source.Height) {
        return source;
    }
    TPixels scaled;
    if (width <= 0 || height <= 0 || source.Width <= 0 || source.Height <= 0) {
        return scaled;
    }
    const std::vector<TSpan> columns = Spans(source.Width, width);
    const std::vector<TSpan> rows = Spans(source.Height, height);
    // Across first: each old row becomes `width` sums of four channels.
    std::vector<std::uint32_t> across(static_cast<std::size_t>(source.Height) * width * 4);
    for (int y = 0; y < source.Height; ++y) {
        const std::uint32_t* in = &source.Data[static_cast<std::size_t>(y) * source.Width];
        std::uint32_t* out = &across[static_cast<std::size_t>(y) * width * 4];
        for (const TSpan& span : columns) {
            std::uint32_t sums[4] = {};
            for (std::size_t i = 0; i < span.Weights.size(); ++i) {
                const std::uint32_t p = in[static_cast<std::size_t>(span.First) + i];
                for (int c = 0; c < 4; ++c) {
                    sums[c] += ((p >> (8 * c)) & 0xFFu) * span.Weights[i];
                }
            }
            std::copy(sums, sums + 4, out);
            out += 4;
        }
    }
    // Then down, dividing by the whole area once. Premultiplied channels stay at most alpha:
    // each is rounded from a sum no larger than alpha's.
    const std::uint64_t area = static_cast<std::uint64_t>(source.Width) * source.Height;
    scaled.Width = width;
    scaled.Height = height;
    scaled.Data.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const TSpan& span = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            std::uint64_t sums[4] = {};
            for (std::size_t i = 0; i < span.Weights.size(); ++i) {
                const std::uint32_t* in =
                    &across[((static_cast<std::size_t>(span.First) + i) * width + x) * 4];
                for (int c = 0; c < 4; ++c) {
                    sums[c] += static_cast<std::uint64_t>(in[c]) * span.Weights[i];
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                pixel |= static_cast<std::uint32_t>((sums[c] + area / 2) / area) << (8 * c);
            }
            scaled.Data[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return scaled;
}

TPixels LoadFittedPicture(const wchar_t* name, int boxWidth, int boxHeight) {
    const TPixels decoded = ReadDecoded(name);
    const TFitted fitted = FitInto(decoded.Width, decoded.Height, boxWidth, boxHeight);
    if (fitted.Width == 0) {
        throw Exception(u"Bild: leer");
    }
    return ScalePixels(decoded, fitted.Width, fitted.Height);
}
