#pragma once

// The ticker's behaviour, toolkit-free: what start-up decides, what a tick and the menu do,
// what the label says, when a failure is shown, how the window is dragged. The front-end's
// TFormMain is a passive view that forwards its events here.

#include "app/Geometry.h"
#include "app/WindowDrag.h"
#include "runtime/Exceptions.h"

#include <cstdint>
#include <string>

// What the ticker's window offers the behaviour.
class TTickerView : public TDraggableView {
public:
    // The text of LabelMoney (the label sizes itself to it).
    virtual void SetLabelText(const std::u16string& text) = 0;
    // FormSetup shown modally: 1 when the wizard was finished, 2 otherwise.
    virtual int ShowSetupModal() = 0;
    // The application object's ShowException: the message box with ExceptionMessageText.
    virtual void ShowException(const Exception& e) = 0;
    // Whether one of the program's message boxes is open at the moment.
    virtual bool MessageBoxShowing() const = 0;
    // Closes the window, which ends the program.
    virtual void Close() = 0;
    virtual void SetCursor(TCursor cursor) = 0;

protected:
    ~TTickerView() = default;
};

class TTicker {
public:
    explicit TTicker(TTickerView& view);

    // The creation notification: at a first start the wizard, then the first totals. A failure
    // is shown and start-up goes on, so that stored figures that fail can be repaired through
    // "Einstellungen" instead of ending every start the same way.
    void FormCreate();

    // Computes the totals from the stored figures and the clock and shows them. Catches
    // nothing: a failure leaves what the steps before it stored.
    void UpdateDisplay();

    // The totals when setup is complete; a failure is shown once, not at every tick.
    void TimerMainTimer();
    void MenuItemCloseClick();
    // The wizard again; the totals are not recomputed here: the next tick shows what it stored.
    void MenuItemSettingsClick();

    // The tooltip over the ticker, made when it opens: how long smoke-free and the next health
    // milestone. Empty, so no tooltip, while setup is not complete or the store fails; a
    // failure here opens no box.
    std::u16string TooltipText();

    void FormMouseDown(float x, float y);
    void FormMouseMove(bool leftHeld, float x, float y);
    void FormMouseUp();

    float MouseDownX = 0;
    float MouseDownY = 0;
    float CigarettesNotSmoked = 0;
    float MoneySaved = 0;

private:
    // UpdateDisplay when setup is complete; a failure is reported, never passed on.
    void Refresh();
    // Shows a failed refresh unless a message box is open already or the same message was
    // shown for an earlier failure with no success since.
    void ReportRefreshFailure(const Exception& e);

    TTickerView& View;
    std::u16string ShownFailure;
    TWindowDrag Drag;
};
