#include "app/WindowDrag.h"

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

// Found where it was before the moves asked for this often in a row, the window is taken to
// stay there: a window manager that carries out moves at all has done so by then.
constexpr int IgnoredMovesBeforeHandingOver = 2;

} // namespace

void TWindowDrag::Start() {
    *this = TWindowDrag();
}

void TWindowDrag::Move(TDraggableView& window, float x, float y, float downX, float downY) {
    if (Mover == TMover::WindowManager) {
        return;
    }
    const TPoint at = window.Position();
    Ignored = Asked && *Asked != at && Before == at ? Ignored + 1 : 0;
    if (Mover == TMover::Window && Ignored >= IgnoredMovesBeforeHandingOver) {
        // Asked once per drag; where nobody takes it, the window goes on asking for its moves.
        Mover = window.StartSystemMove() ? TMover::WindowManager : TMover::WindowOnly;
        if (Mover == TMover::WindowManager) {
            return;
        }
    }
    TAskedMoves moves(window);
    DragTo(moves, x, y, downX, downY);
    Before = at;
    Asked = moves.Last;
}
