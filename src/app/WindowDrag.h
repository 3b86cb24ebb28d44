#pragma once

// A left-button drag as the dragging convention has it, handed to the window manager where that
// does not carry out the window's own moves: some window managers ignore the position a
// floating window asks for, and only their own move (EWMH _NET_WM_MOVERESIZE) moves it there.

#include "app/Geometry.h"

#include <optional>

// A window that can be dragged, and whose window manager can be asked to take a drag over.
class TDraggableView : public TMovableView {
public:
    // Asks the window manager to move the window with the pointer until the button is released.
    // False where it cannot; the window then goes on asking for its own moves.
    virtual bool StartSystemMove() { return false; }
    // Whether the window manager is known to carry out none of the window's own moves: a drag is
    // then handed to it at its first move, since refusals it does not report cannot be seen.
    virtual bool OwnMovesIgnored() const { return false; }

protected:
    ~TDraggableView() = default;
};

class TWindowDrag {
public:
    // A press: a new drag, which moves the window itself until shown otherwise.
    void Start();
    // One move with the left button held (DragTo), unless the window manager has the drag.
    void Move(TDraggableView& window, float x, float y, float downX, float downY);

private:
    std::optional<TPoint> Origin; // where the window was at the drag's first move
    std::optional<TPoint> Asked;  // where the last move was to take it
    int Ignored = 0;              // moves after which the window was found back at the origin
    // Who moves the window: the window itself until its moves are found ignored, then the window
    // manager; the window alone once it was seen to move, or where the window manager cannot take
    // the drag over.
    enum class TMover { Window, WindowManager, WindowOnly } Mover = TMover::Window;
};
