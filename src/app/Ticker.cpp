#include "app/Ticker.h"

#include "Unitsetting.h"
#include "app/Autostart.h"
#include "app/MessageText.h"
#include "app/Milestones.h"
#include "app/Savings.h"
#include "conversions/Clock.h"
#include "registry/Registry.h"

#include <cmath>

void ComputeTotals(TDateTime stop, TDateTime now, float& cigarettesNotSmoked, float& moneySaved) {
    const std::int32_t minutes = MinuteCount(WholeMinutesBetween(stop, now));
    cigarettesNotSmoked = CigarettesNotSmokedAfter(Setting->GetCigConsQty(), minutes);
    const float price = Setting->GetCigBoxPrice();
    const std::int32_t perPack = Setting->GetCigBoxQty();
    moneySaved = MoneySavedOn(price, perPack, cigarettesNotSmoked);
}

TTicker::TTicker(TTickerView& view) : View(view), StoreCheck(CheckStoreFile()) {}

void TTicker::FormCreate() {
    // A failure is shown and start-up goes on: the stored figures can then be repaired through
    // "Einstellungen", where ending the program would fail the same way at every start.
    // A store that exists but cannot be used now (another program's lock, a folder open to
    // others) is no first start: no wizard then.
    // A damaged file was set aside and what it held carried over, or the file may only be
    // read: said once. One that could not be set aside is used no more than one of another
    // user: no wizard, whose pages could save nothing.
    if (!StoreCheck.Message.empty()) {
        ReportRefreshFailure(Exception(StoreCheck.Message));
    }
    bool setupComplete = StoreCheck.State == TStoreCheck::TState::Unusable;
    try {
        setupComplete = setupComplete || Setting->GetSetupCompl();
    } catch (const ERegistryUnavailable& e) {
        ReportRefreshFailure(e);
        setupComplete = true;
    } catch (const Exception& e) {
        ReportRefreshFailure(e);
    }
    if (!setupComplete && View.ShowSetupModal() == 1) {
        Setting->SetSetupCompl(true);
        TurnOnAutostart();
    }
    Refresh();
}

void TTicker::TurnOnAutostart() {
    try {
        TurnOnAutostartAtFirstSetup();
    } catch (const Exception& e) {
        ReportRefreshFailure(e);
    }
}

void TTicker::UpdateDisplay() {
    const TDateTime stop = Setting->GetUserStopTime();
    ComputeTotals(stop, CurrentDateTime(), CigarettesNotSmoked, MoneySaved);
    View.SetLabelText(SavingsText(CigarettesNotSmoked, MoneySaved));
    DisplayedStop = stop;
}

void TTicker::TimerMainTimer() {
    Refresh();
    TellMilestone();
    View.RefreshProgress();
}

void TTicker::TellMilestone() {
    // After the label's refresh, with the stop moment it read: none while setup is incomplete
    // or the store fails. A store that fails is said by that refresh, once; a box here would
    // come every minute, and a notice that could not be kept as told would come again every
    // minute too.
    if (!Displayed) {
        return;
    }
    try {
        if (const auto text = DueMilestoneNotice(DisplayedStop, CurrentDateTime())) {
            View.ShowNotice(*text);
        }
    } catch (const Exception&) {
    }
}

void TTicker::NoticeClick() {
    OpenProgress();
}

void TTicker::Refresh() {
    Displayed = false;
    try {
        if (Setting->GetSetupCompl()) {
            UpdateDisplay();
            Displayed = true;
        }
        ShownFailure.clear();
        TotalsFailure.reset();
    } catch (const Exception& e) {
        TotalsFailure = ExceptionMessageText(e);
        ReportRefreshFailure(e);
    } catch (...) {
        const Exception unknown(u"");
        TotalsFailure = ExceptionMessageText(unknown);
        ReportRefreshFailure(unknown);
    }
}

void TTicker::ReportRefreshFailure(const Exception& e) {
    // A failure that persists would otherwise open a box every minute, and ticks arrive in the
    // box's own loop too.
    if (dynamic_cast<const EAbort*>(&e) != nullptr || View.MessageBoxShowing()) {
        return;
    }
    const std::u16string text = ExceptionMessageText(e);
    if (text == ShownFailure && !text.empty()) {
        return;
    }
    ShownFailure = text;
    View.ShowException(e);
}

void TTicker::MenuItemCloseClick() {
    View.Close();
}

void TTicker::MenuItemSettingsClick() {
    if (View.ShowSetupModal() == 1) {
        Setting->SetSetupCompl(true);
    }
}

std::u16string TTicker::TooltipText() {
    try {
        if (!Setting->GetSetupCompl()) {
            return {};
        }
        return SmokeFreeText(Setting->GetUserStopTime(), CurrentDateTime()) +
               u"\nDoppelklick zeigt deinen Fortschritt.";
    } catch (const Exception&) {
        return {};
    }
}

void TTicker::FormMouseDown(float x, float y, bool left) {
    MouseDownX = x;
    MouseDownY = y;
    View.SetCursor(TCursor::SizeAll);
    Drag.Start();
    LeftPressed = left;
    PressTime = View.MouseEventTime();
    const TPoint distance = View.DoubleClickDistance();
    if (!left || std::fabs(x - ClickX) > float(distance.X) ||
        std::fabs(y - ClickY) > float(distance.Y)) {
        ClickPending = false;
    }
}

void TTicker::FormMouseMove(bool leftHeld, float x, float y) {
    if (leftHeld) {
        Drag.Move(View, x, y, MouseDownX, MouseDownY);
    }
}

void TTicker::FormMouseUp(bool left) {
    View.SetCursor(TCursor::Default);
    if (!left || !LeftPressed) {
        return;
    }
    LeftPressed = false;
    if (Drag.Dragging()) {
        ClickPending = false;
        return;
    }
    // Unsigned arithmetic: a count that wrapped between the two presses still measures right.
    if (ClickPending && PressTime - ClickTime <= View.DoubleClickTime()) {
        ClickPending = false;
        OpenProgress();
        return;
    }
    ClickPending = true;
    ClickTime = PressTime;
    ClickX = MouseDownX;
    ClickY = MouseDownY;
}

void TTicker::OpenProgress() {
    try {
        if (!Setting->GetSetupCompl()) {
            return;
        }
    } catch (const Exception&) {
        return;
    }
    Refresh();
    View.ShowProgress();
}
