#pragma once

// A left-button drag as the dragging convention has it, begun only once the pointer has left the
// system's drag threshold around the press, so that a hand's tremble in a click moves nothing; and
// handed to the window manager where that does not carry out the window's own moves: some window
// managers ignore the position a floating window asks for, and only their own move (EWMH
// _NET_WM_MOVERESIZE) moves it there.

#include "app/Geometry.h"

#include <optional>
#include <string_view>

// Whether the X window manager that calls itself `name` (the _NET_WM_NAME of its
// _NET_SUPPORTING_WM_CHECK window) carries out none of a managed window's own moves, and tells
// nothing of refusing them, while it moves the window itself when asked: the X window managers
// of Wayland compositors that keep a floating X window where they put it. weston's, and the
// wlroots compositors' (sway, labwc, wayfire, river), which all share wlroots' name.
bool WindowManagerMovesOnlyItself(std::string_view name);

// A window that can be dragged, and whose window manager can be asked to take a drag over.
class TDraggableView : public TMovableView {
public:
    // The system's drag threshold: how far, in pixels each way, the pointer may move from a
    // press before the press becomes a drag.
    virtual TPoint DragThreshold() const = 0;
    // Asks the window manager to move the window with the pointer until the button is released.
    // False where it cannot; the window then goes on asking for its own moves.
    virtual bool StartSystemMove() { return false; }
    // Whether the window manager is known to carry out none of the window's own moves: a drag is
    // then handed to it as it begins, since refusals it does not report cannot be seen.
    virtual bool OwnMovesIgnored() const { return false; }

protected:
    ~TDraggableView() = default;
};

class TWindowDrag {
public:
    // A press: a click until the pointer leaves the drag threshold around it.
    void Start();
    // One move with the left button held: once past the threshold, the window follows the
    // pointer from where it was at the press (DragTo), unless the window manager has the drag.
    void Move(TDraggableView& window, float x, float y, float downX, float downY);
    // Whether the press has become a drag.
    bool Dragging() const { return Begun; }

private:
    bool Begun = false;
    std::optional<TPoint> Origin; // where the window was at the drag's first move
    std::optional<TPoint> Asked;  // where the last move was to take it
    int Ignored = 0;              // moves after which the window was found back at the origin
    // Who moves the window: the window itself until its moves are found ignored, then the window
    // manager; the window alone once it was seen to move, or where the window manager cannot take
    // the drag over.
    enum class TMover { Window, WindowManager, WindowOnly } Mover = TMover::Window;
};
