#include "app/Geometry.h"

#include "conversions/FloatingPoint.h"
#include "conversions/Types.h"

#include <algorithm>
#include <cstdlib>

namespace {

// (numerator / 2), an exact half going to the even neighbour.
std::int32_t HalfToEven(std::int32_t numerator) {
    const std::int32_t floorHalf = numerator >= 0 ? numerator / 2 : -((1 - numerator) / 2);
    if (numerator % 2 == 0) {
        return floorHalf;
    }
    return floorHalf % 2 == 0 ? floorHalf : floorHalf + 1;
}

} // namespace

TPoint CenteredPosition(const TRect& screen, std::int32_t width, std::int32_t height) {
    return {screen.Left + HalfToEven(screen.Width - width),
            screen.Top + HalfToEven(screen.Height - height)};
}

double FitFactor(const TRect& available, double width, double height) {
    if (width <= 0 || height <= 0 || available.Width <= 0 || available.Height <= 0) {
        return 1.0;
    }
    const double factor = std::min(available.Width / width, available.Height / height);
    return std::min(factor, 1.0);
}

namespace {

// One coordinate: within [start, start + room - size] where the window fits, else centred.
std::int32_t Within(std::int32_t at, std::int32_t start, std::int32_t room, std::int32_t size) {
    if (size > room) {
        return start + HalfToEven(room - size);
    }
    return std::clamp(at, start, start + room - size);
}

// How many pixels two rectangles share.
std::int64_t Overlap(const TRect& a, const TRect& b) {
    const auto shared = [](std::int32_t from, std::int32_t size, std::int32_t otherFrom,
                           std::int32_t otherSize) -> std::int64_t {
        if (size <= 0 || otherSize <= 0) {
            return 0;
        }
        const std::int64_t start = std::max(from, otherFrom);
        const std::int64_t end =
            std::min(std::int64_t{from} + size, std::int64_t{otherFrom} + otherSize);
        return std::max<std::int64_t>(end - start, 0);
    };
    return shared(a.Left, a.Width, b.Left, b.Width) * shared(a.Top, a.Height, b.Top, b.Height);
}

} // namespace

TPoint PlacedWithin(const TRect& screen, const TRect& available, std::int32_t width,
                    std::int32_t height) {
    const TPoint centred = CenteredPosition(screen, width, height);
    return {Within(centred.X, available.Left, available.Width, width),
            Within(centred.Y, available.Top, available.Height, height)};
}

TPoint PlacedClearOf(const TRect& screen, const TRect& available, std::int32_t width,
                     std::int32_t height, const TRect& clear) {
    const TPoint within = PlacedWithin(screen, available, width, height);
    // Beside `within`, the places just above, below, left and right of `clear`, the other
    // coordinate kept, each moved into `available`: a screen too small for both still leaves
    // the ticker over an edge of the window rather than across its middle.
    const TPoint candidates[] = {within,
                                 {within.X, clear.Top - height},
                                 {within.X, clear.Top + clear.Height},
                                 {clear.Left - width, within.Y},
                                 {clear.Left + clear.Width, within.Y}};
    TPoint best = within;
    std::int64_t bestCovered = -1;
    std::int64_t bestDistance = 0;
    for (const TPoint& candidate : candidates) {
        const TPoint at{Within(candidate.X, available.Left, available.Width, width),
                        Within(candidate.Y, available.Top, available.Height, height)};
        const std::int64_t covered = Overlap({at.X, at.Y, width, height}, clear);
        const std::int64_t distance =
            std::abs(std::int64_t{at.X} - within.X) + std::abs(std::int64_t{at.Y} - within.Y);
        if (bestCovered < 0 || covered < bestCovered ||
            (covered == bestCovered && distance < bestDistance)) {
            best = at;
            bestCovered = covered;
            bestDistance = distance;
        }
    }
    return best;
}

TRect RoomClearOf(const TRect& screen, const TRect& available, std::int32_t width,
                  std::int32_t height, const TRect& clear, double scale) {
    const TPoint at = PlacedClearOf(screen, available, width, height, clear);
    if (Overlap({at.X, at.Y, width, height}, clear) == 0) {
        return available;
    }
    const std::int32_t right = available.Left + available.Width;
    const std::int32_t bottom = available.Top + available.Height;
    const std::int32_t clearRight = clear.Left + clear.Width;
    const std::int32_t clearBottom = clear.Top + clear.Height;
    const TRect strips[] = {
        {available.Left, available.Top, available.Width, clear.Top - available.Top},
        {available.Left, clearBottom, available.Width, bottom - clearBottom},
        {available.Left, available.Top, clear.Left - available.Left, available.Height},
        {clearRight, available.Top, right - clearRight, available.Height}};
    // The first of equals: above, below, left, right, as PlacedClearOf takes them.
    TRect room = available;
    double best = 0;
    for (const TRect& strip : strips) {
        const double fit =
            strip.Width > 0 && strip.Height > 0 ? FitFactor(strip, width, height) : 0;
        if (fit > best) {
            room = strip;
            best = fit;
        }
    }
    if (best * scale < MinimumClearFit) {
        return available;
    }
    return room;
}

void DragTo(TMovableView& window, float x, float y, float downX, float downY) {
    // Both from the position before this move: a window system may not have carried out the
    // first move when the second is computed.
    const TPoint start = window.Position();
    const std::int32_t left =
        TruncateToInteger(Extended(start.X) + (Extended(x) - Extended(downX)));
    window.MoveTo({left, start.Y});
    const std::int32_t top = TruncateToInteger(Extended(start.Y) + (Extended(y) - Extended(downY)));
    window.MoveTo({left, top});
}
