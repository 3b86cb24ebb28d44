#include "Unitsetup.h"

#include "app/Calendar.h"
#include "framework/Application.h"
#include "framework/Text.h"

#include <commctrl.h>

#include <array>

TFormSetup* FormSetup = nullptr;

namespace {

constexpr std::array<TPanel, 6> Pages{
    TPanel::Start,          TPanel::Name,  TPanel::DOB, TPanel::CigaretteQuantity,
    TPanel::CigarettePrice, TPanel::Finish};

const char16_t* PanelName(TPanel panel) {
    switch (panel) {
    case TPanel::Start:
        return u"PanelCenterStart";
    case TPanel::Name:
        return u"PanelCenterName";
    case TPanel::DOB:
        return u"PanelCenterDOB";
    case TPanel::CigaretteQuantity:
        return u"PanelCenterCigaretteQuantity";
    case TPanel::CigarettePrice:
        return u"PanelCenterCigarettePrice";
    case TPanel::Finish:
        break;
    }
    return u"PanelCenterFinish";
}

const char16_t* EditName(TField field) {
    switch (field) {
    case TField::Username:
        return u"EditUsername";
    case TField::DOB:
        return u"EditDOB";
    case TField::CigaretteQuantity:
        return u"EditCigaretteQuantity";
    case TField::CigaretteBoxPrice:
        return u"EditCigaretteBoxPrice";
    case TField::CigaretteBoxQuantity:
        break;
    }
    return u"EditCigaretteBoxQuantity";
}

const char16_t* LabelName(TPrompt prompt) {
    switch (prompt) {
    case TPrompt::Username:
        return u"LabelUsername";
    case TPrompt::DOB:
        return u"LabelDOB";
    case TPrompt::CigaretteQuantity:
        return u"LabelCigaretteQuantity";
    case TPrompt::CigaretteBoxQuantity:
        return u"LabelCigaretteBoxQuantity";
    case TPrompt::CigaretteBoxPrice:
        return u"LabelCigaretteBoxPrice";
    case TPrompt::StoppingDate:
        break;
    }
    return u"LabelStoppingDate";
}

} // namespace

// Not owned by the ticker: an owned window always lies above its owner, and the top-most ticker
// must stay above the wizard (taking no input while the wizard is shown). Owned by a window that
// is never shown instead, so that the window manager gives it the keyboard when it is shown from
// the ticker's menu.
TFormSetup::TFormSetup(TForm*) : TForm(L"TFormSetup", Application->HiddenOwner()), Wizard(*this) {
    Bind(u"ButtonNextClick", [this] { ButtonNextClick(); });
    Bind(u"ButtonPreviousClick", [this] { ButtonPreviousClick(); });
    Bind(u"ButtonCancelClick", [this] { ButtonCancelClick(); });
    BindKey(u"EditUsernameKeyUp", [this](std::uint16_t key) { EditUsernameKeyUp(key); });
    BindKey(u"EditDOBKeyUp", [this](std::uint16_t key) { EditDOBKeyUp(key); });
    BindKey(u"EditCigaretteQuantityKeyUp",
            [this](std::uint16_t key) { EditCigaretteQuantityKeyUp(key); });
    BindKey(u"EditCigaretteBoxPriceKeyUp",
            [this](std::uint16_t key) { EditCigaretteBoxPriceKeyUp(key); });
    BindKey(u"EditCigaretteBoxQuantityKeyUp",
            [this](std::uint16_t key) { EditCigaretteBoxQuantityKeyUp(key); });
    KeyboardNavigation = true;
    // The first page, the fields from the store, the prompts and the filters.
    Wizard.Create();
}

void TFormSetup::EnsureBuilt() {
    if (Window != nullptr) {
        return;
    }
    Build();
    std::vector<std::function<void()>> pending = std::move(Pending);
    Pending.clear();
    for (const auto& call : pending) {
        call();
    }
}

bool TFormSetup::Deferred(std::function<void()> call) {
    if (Window != nullptr) {
        return false;
    }
    Pending.push_back(std::move(call));
    return true;
}

int TFormSetup::ShowModal() {
    EnsureBuilt();
    if (!Wizard.PrepareShowing()) {
        return 2;
    }
    // A task bar button only while the program has no main window yet (the first start);
    // shown from the ticker's menu it is a tool window.
    LONG style = GetWindowLongW(Window, GWL_EXSTYLE);
    if (Application->MainForm == nullptr) {
        style = (style | WS_EX_APPWINDOW) & ~WS_EX_TOOLWINDOW;
    } else {
        style = (style | WS_EX_TOOLWINDOW) & ~WS_EX_APPWINDOW;
    }
    SetWindowLongW(Window, GWL_EXSTYLE, style);
    return Application->ShowModal(*this);
}

void TFormSetup::ShowCentered() {
    // Drawn smaller as a whole where the window at the screen's scale would not fit its work
    // area.
    FitToWorkArea();
    TForm::ShowCentered();
    // No control has the focus when a showing opens, not even the button pressed last time.
    FocusRequested = nullptr;
    SetFocus(Window);
}

void TFormSetup::FormMouseDown(int, float x, float y) {
    Wizard.FormMouseDown(x, y);
}

void TFormSetup::FormMouseMove(bool leftHeld, float x, float y) {
    Wizard.FormMouseMove(leftHeld, x, y);
}

void TFormSetup::FormMouseDownEvent(int button, float x, float y) {
    FormMouseDown(button, x, y);
}

void TFormSetup::FormMouseMoveEvent(bool leftHeld, float x, float y) {
    FormMouseMove(leftHeld, x, y);
}

LRESULT TFormSetup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // A close request from the system (Alt+F4) cancels the showing.
        Wizard.CloseRequested();
        return 0;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}

TControl& TFormSetup::PanelOf(TPanel panel) {
    EnsureBuilt();
    return Component(PanelName(panel));
}

TControl& TFormSetup::EditOf(TField field) {
    EnsureBuilt();
    return Component(EditName(field));
}

const TControl& TFormSetup::EditOf(TField field) const {
    const_cast<TFormSetup*>(this)->EnsureBuilt();
    return Component(EditName(field));
}

TControl& TFormSetup::LabelOf(TPrompt prompt) {
    EnsureBuilt();
    return Component(LabelName(prompt));
}

void TFormSetup::ShowPage(TPanel panel, bool previousEnabled, const std::u16string& nextText) {
    if (Deferred([=, this] { ShowPage(panel, previousEnabled, nextText); })) {
        return;
    }
    for (TPanel page : Pages) {
        ShowWindow(PanelOf(page).Handle, SW_HIDE);
    }
    EnableWindow(Component(u"ButtonPrevious").Handle, previousEnabled ? TRUE : FALSE);
    SetWindowTextW(Component(u"ButtonNext").Handle, ToWide(nextText).c_str());
    HWND shown = PanelOf(panel).Handle;
    ShowWindow(shown, SW_SHOW);
    if (FocusRequested != nullptr && GetParent(FocusRequested) == shown) {
        SetFocus(FocusRequested);
    }
}

void TFormSetup::FocusField(TField field) {
    if (Deferred([=, this] { FocusField(field); })) {
        return;
    }
    FocusRequested = EditOf(field).Handle;
    SetFocus(FocusRequested);
}

std::u16string TFormSetup::FieldText(TField field) const {
    HWND edit = EditOf(field).Handle;
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return FromWide(text);
}

void TFormSetup::SetFieldText(TField field, const std::u16string& text) {
    if (Deferred([=, this] { SetFieldText(field, text); })) {
        return;
    }
    SetWindowTextW(EditOf(field).Handle, ToWide(text).c_str());
}

void TFormSetup::SetFieldFilter(TField field, const std::u16string& filter) {
    if (Deferred([=, this] { SetFieldFilter(field, filter); })) {
        return;
    }
    EditOf(field).Filter = filter;
}

void TFormSetup::SetPrompt(TPrompt prompt, const std::u16string& text) {
    if (Deferred([=, this] { SetPrompt(prompt, text); })) {
        return;
    }
    SetWindowTextW(LabelOf(prompt).Handle, ToWide(text).c_str());
}

TDateTime TFormSetup::CalendarDate() const {
    const_cast<TFormSetup*>(this)->EnsureBuilt();
    SYSTEMTIME day{};
    SendMessageW(Component(u"CalendarStopped").Handle, MCM_GETCURSEL, 0,
                 reinterpret_cast<LPARAM>(&day));
    return DateTimeOf({day.wYear, day.wMonth, day.wDay});
}

void TFormSetup::SetCalendarDate(TDateTime value) {
    if (Deferred([=, this] { SetCalendarDate(value); })) {
        return;
    }
    const std::optional<TCalendarDay> day = CalendarDayOf(value);
    if (!day) {
        return;
    }
    SYSTEMTIME chosen{};
    chosen.wYear = static_cast<WORD>(day->Year);
    chosen.wMonth = static_cast<WORD>(day->Month);
    chosen.wDay = static_cast<WORD>(day->Day);
    SendMessageW(Component(u"CalendarStopped").Handle, MCM_SETCURSEL, 0,
                 reinterpret_cast<LPARAM>(&chosen));
}

void TFormSetup::ShowMessage(const std::u16string& text) {
    Application->ShowMessage(text);
}

void TFormSetup::EndShowing(int result) {
    ModalResult = result;
    ShowWindow(Window, SW_HIDE);
}

void TFormSetup::SetWindowCursor(TCursor cursor) {
    SetCursor(cursor);
}

void TFormSetup::SetPanelTopCursor(TCursor cursor) {
    if (Deferred([=, this] { SetPanelTopCursor(cursor); })) {
        return;
    }
    Component(u"PanelTop").Cursor = cursor;
}

TPoint TFormSetup::Position() const {
    const_cast<TFormSetup*>(this)->EnsureBuilt();
    return TForm::Position();
}

void TFormSetup::MoveTo(TPoint position) {
    EnsureBuilt();
    TForm::MoveTo(position);
}
