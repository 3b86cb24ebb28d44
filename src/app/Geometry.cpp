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

// Whether two rectangles share a pixel.
bool Overlap(const TRect& a, const TRect& b) {
    return a.Width > 0 && a.Height > 0 && b.Width > 0 && b.Height > 0 &&
           a.Left < b.Left + b.Width && b.Left < a.Left + a.Width && a.Top < b.Top + b.Height &&
           b.Top < a.Top + a.Height;
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
    if (!Overlap({within.X, within.Y, width, height}, clear)) {
        return within;
    }
    // The nearest place free of `clear` lies on one of its four sides, the other coordinate
    // kept: `within` already lies inside the area on that one.
    const TPoint sides[] = {{within.X, clear.Top - height},
                            {within.X, clear.Top + clear.Height},
                            {clear.Left - width, within.Y},
                            {clear.Left + clear.Width, within.Y}};
    const auto inside = [&](TPoint at) {
        return at.X >= available.Left && at.Y >= available.Top &&
               at.X + width <= available.Left + available.Width &&
               at.Y + height <= available.Top + available.Height;
    };
    const auto distance = [&](TPoint at) {
        return std::abs(static_cast<std::int64_t>(at.X) - within.X) +
               std::abs(static_cast<std::int64_t>(at.Y) - within.Y);
    };
    const TPoint* best = nullptr;
    for (const TPoint& at : sides) {
        if (inside(at) && (best == nullptr || distance(at) < distance(*best))) {
            best = &at;
        }
    }
    return best != nullptr ? *best : within;
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
