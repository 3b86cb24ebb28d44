#pragma once

// Window arithmetic that both windows share: centring on the screen, keeping a window within
// the screen's available area, and dragging.

#include <cstdint>

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const TRect&) const = default;
};

// The cursor values that the windows set.
enum class TCursor : std::int16_t { Default = 0, Cross = -3, SizeAll = -22 };

// A window that can be dragged: its screen position, read and set in whole pixels.
class TMovableView {
public:
    virtual TPoint Position() const = 0;
    virtual void MoveTo(TPoint position) = 0;

protected:
    ~TMovableView() = default;
};

// The top-left corner of a window of `width` x `height` centred in `screen`, each coordinate
// rounded to the nearest integer with halves to even.
TPoint CenteredPosition(const TRect& screen, std::int32_t width, std::int32_t height);

// The factor by which a window of `width` x `height` pixels (at its full scale, fractions
// allowed) is drawn so that it lies wholly within `available`, the screen less its task bars
// and panels: 1 where it fits, else the largest factor at which both sides fit, the same for
// both so that the layout keeps its proportions.
double FitFactor(const TRect& available, double width, double height);

// Where a window of `width` x `height` is shown: centred on `screen`, and where that would put
// part of it outside `available`, moved just far enough to lie within it; a window larger than
// `available` is centred in it.
TPoint PlacedWithin(const TRect& screen, const TRect& available, std::int32_t width,
                    std::int32_t height);

// Where a window of `width` x `height` is shown so that `clear`, a window above it (the
// ticker), does not cover it: where PlacedWithin puts it when that leaves `clear` outside it,
// else the nearest place within `available` just above, below, left or right of `clear`
// (that order on a tie). Where no such place exists the window wins, and of those places
// (moved into `available`) it takes the one `clear` covers least.
TPoint PlacedClearOf(const TRect& screen, const TRect& available, std::int32_t width,
                     std::int32_t height, const TRect& clear);

// The part of `available` that a window of `width` x `height` (frame included) is fitted into
// so that `clear` need not cover it: all of `available` where the window lies clear of `clear`
// there as it is; else the free strip above, below, left or right of `clear` in which it is
// drawn largest, where that still draws it at MinimumClearFit or more of its size at 100 %
// (`scale`: its size now to that); else all of `available` (the window wins, PlacedClearOf's
// least covered place).
inline constexpr double MinimumClearFit = 0.8;
TRect RoomClearOf(const TRect& screen, const TRect& available, std::int32_t width,
                  std::int32_t height, const TRect& clear, double scale);

// One move of a drag while the left button is held: the window follows the pointer at (x, y)
// so that the point pressed at (downX, downY) stays under it. Left first, then top, each
// truncated toward zero in extended precision and applied at once.
void DragTo(TMovableView& window, float x, float y, float downX, float downY);
