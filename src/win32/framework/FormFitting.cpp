// A form's lengths at its DPI, and the whole layout drawn smaller where the window would not
// lie within the screen's work area, or another part of the screen.

#include "framework/Form.h"

#include <cmath>

int TForm::Scaled(int logical) const {
    if (FitScale == 1.0) {
        return MulDiv(logical, static_cast<int>(CurrentDpi), 96);
    }
    return static_cast<int>(std::lround(logical * (CurrentDpi / 96.0) * FitScale));
}

void TForm::FitToWorkArea() {
    FitToArea(PrimaryScreen().Work);
}

void TForm::FitToArea(const TRect& area) {
    const TControl& form = *Components.front();
    const double perLogical = CurrentDpi / 96.0;
    // The layout gives the client area; a frame the system draws keeps its size at every fit.
    RECT outer{};
    RECT client{};
    GetWindowRect(Window, &outer);
    GetClientRect(Window, &client);
    TRect room = area;
    room.Width -= (outer.right - outer.left) - client.right;
    room.Height -= (outer.bottom - outer.top) - client.bottom;
    const double fit =
        FitFactor(room, form.Layout.Width * perLogical, form.Layout.Height * perLogical);
    if (fit != FitScale) {
        FitScale = fit;
        LayOut();
    }
}
