#include "app/WindowDrag.h"

#include <cmath>

namespace {

// The moves a drag step asks for, passed on and the last one kept.
class TAskedMoves final : public TMovableView {
public:
    explicit TAskedMoves(TMovableView& window) : Window(window) {}
    TPoint Position() const override { return Window.Position(); }
    void MoveTo(TPoint position) override {
        Last = position;
        Window.MoveTo(position);
    }
    std::optional<TPoint> Last;

private:
    TMovableView& Window;
};

// Found back where the drag started this often while moves elsewhere were asked for, the window
// is taken to stay there: a window manager that refuses a move reports the unchanged place.
constexpr int IgnoredMovesBeforeHandingOver = 2;

} // namespace

bool WindowManagerMovesOnlyItself(std::string_view name) {
    return name == "Weston WM" || name == "wlroots wm";
}

void TWindowDrag::Start() {
    *this = TWindowDrag();
}

void TWindowDrag::Move(TDraggableView& window, float x, float y, float downX, float downY) {
    if (Mover == TMover::WindowManager) {
        return;
    }
    if (!Begun) {
        const TPoint threshold = window.DragThreshold();
        if (std::fabs(x - downX) <= float(threshold.X) &&
            std::fabs(y - downY) <= float(threshold.Y)) {
            return;
        }
        Begun = true;
    }
    // Until the window manager answers, the window may report the place last asked for.
    const TPoint at = window.Position();
    if (!Origin) {
        Origin = at;
    } else if (at != *Origin && at != Asked) {
        Mover = TMover::WindowOnly; // moved, if not quite as asked: the window manager moves it
    } else if (at == *Origin && Asked != Origin) {
        ++Ignored;
    }
    if (Mover == TMover::Window &&
        (Ignored >= IgnoredMovesBeforeHandingOver || window.OwnMovesIgnored())) {
        // Asked once per drag; where nobody takes it, the window goes on asking for its moves.
        Mover = window.StartSystemMove() ? TMover::WindowManager : TMover::WindowOnly;
        if (Mover == TMover::WindowManager) {
            return;
        }
    }
    TAskedMoves moves(window);
    DragTo(moves, x, y, downX, downY);
    Asked = moves.Last;
}
