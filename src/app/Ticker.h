#pragma once

// The ticker's behaviour, toolkit-free: what start-up decides, what a tick and the menu do,
// what the label says, when a failure is shown, how the window is dragged. The front-end's
// TFormMain is a passive view that forwards its events here.

#include "app/Geometry.h"
#include "app/WindowDrag.h"
#include "conversions/Types.h"
#include "registry/StoreFile.h"
#include "runtime/Exceptions.h"

#include <cstdint>
#include <optional>
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
    // The time of the mouse event being handled, in milliseconds of a steady count that may
    // wrap, and the system's double-click time.
    virtual std::uint32_t MouseEventTime() const = 0;
    virtual std::uint32_t DoubleClickTime() const = 0;
    // The system's double-click rectangle: how far, in pixels each way, a second press may lie
    // from the first for the two clicks to be one double-click.
    virtual TPoint DoubleClickDistance() const = 0;
    // "Dein Fortschritt", built at its first showing; shown, or brought to the front.
    virtual void ShowProgress() = 0;
    // Refreshes "Dein Fortschritt" if it is open; nothing otherwise.
    virtual void RefreshProgress() = 0;
    // A notice titled NoticeTitle with this text, whose click comes back as NoticeClick.
    virtual void ShowNotice(const std::u16string& text) = 0;

protected:
    ~TTickerView() = default;
};

// The two totals from a stop moment to a later one, from the stored figures, as the label
// computes them: the cigarettes first, then the money. Catches nothing: a failure leaves what
// the steps before it stored.
void ComputeTotals(TDateTime stop, TDateTime now, float& cigarettesNotSmoked, float& moneySaved);

inline constexpr char16_t NoticeTitle[] = u"Pelwick";

class TTicker {
public:
    // Looks at the store's file first, before the wizard reads it (CheckStoreFile): what is
    // to be said about it is said in FormCreate.
    explicit TTicker(TTickerView& view);

    // The creation notification: at a first start the wizard (and, once it is finished, the
    // start at sign-in turned on), then the first totals. A failure
    // is shown and start-up goes on, so that stored figures that fail can be repaired through
    // "Einstellungen" instead of ending every start the same way.
    void FormCreate();

    // Computes the totals from the stored figures and the clock and shows them. Catches
    // nothing: a failure leaves what the steps before it stored.
    void UpdateDisplay();

    // The totals when setup is complete; a failure is shown once, not at every tick. Then the
    // milestone notice due, if any.
    void TimerMainTimer();
    // A click on the milestone notice: "Dein Fortschritt", as a double-click shows it.
    void NoticeClick();
    void MenuItemCloseClick();
    // The wizard again; the totals are not recomputed here: the next tick shows what it stored.
    void MenuItemSettingsClick();

    // The tooltip over the ticker, made when it opens: how long smoke-free and the next health
    // milestone. Empty, so no tooltip, while setup is not complete or the store fails; a
    // failure here opens no box.
    std::u16string TooltipText();

    // A left press and release without a drag (a move within the drag threshold is none), twice
    // within the double-click time and rectangle, shows the progress once setup is complete.
    void FormMouseDown(float x, float y, bool left);
    void FormMouseMove(bool leftHeld, float x, float y);
    void FormMouseUp(bool left);

    float MouseDownX = 0;
    float MouseDownY = 0;
    float CigarettesNotSmoked = 0;
    float MoneySaved = 0;
    // The message the last computation of the totals failed with; none while they are the
    // label's.
    std::optional<std::u16string> TotalsFailure;

private:
    // UpdateDisplay when setup is complete; a failure is reported, never passed on.
    void Refresh();
    // Shows a failed refresh unless a message box is open already or the same message was
    // shown for an earlier failure with no success since.
    void ReportRefreshFailure(const Exception& e);

    // The totals first, so that the window shows what the label shows.
    void OpenProgress();
    void TellMilestone();
    // At the first completed setup; a failure is said in a box.
    void TurnOnAutostart();

    TTickerView& View;
    TStoreCheck StoreCheck;
    // Whether the last refresh showed totals, and from which stop moment.
    bool Displayed = false;
    TDateTime DisplayedStop = 0;
    std::u16string ShownFailure;
    TWindowDrag Drag;
    // The double-click rule: the press that began the current click, and the press of an
    // earlier click without a drag, if one may pair with it.
    std::uint32_t PressTime = 0;
    bool LeftPressed = false;
    bool ClickPending = false;
    std::uint32_t ClickTime = 0;
    float ClickX = 0;
    float ClickY = 0;
};
