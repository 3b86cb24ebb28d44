#include "app/Wizard.h"

#include "Unitsetting.h"
#include "app/MessageText.h"
#include "app/Texts.h"
#include "conversions/Clock.h"
#include "conversions/FloatingPoint.h"
#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"
#include "conversions/NumberParse.h"
#include "registry/Registry.h"
#include "runtime/Exceptions.h"

#include <optional>

namespace {

// The flow as data: each page's neighbours, and the edit that gets the focus when the flow
// moves forward onto the next page (none where the focus stays).
struct TPageRule {
    TPanel Next;
    TPanel Previous;
    std::optional<TField> FocusOnNext;
};

constexpr TPageRule RuleOf(TPanel page) {
    switch (page) {
    case TPanel::Start:
        return {TPanel::Name, TPanel::Start, TField::Username};
    case TPanel::Name:
        return {TPanel::DOB, TPanel::Start, TField::DOB};
    case TPanel::DOB:
        return {TPanel::CigaretteQuantity, TPanel::Name, TField::CigaretteQuantity};
    case TPanel::CigaretteQuantity:
        return {TPanel::CigarettePrice, TPanel::DOB, TField::CigaretteBoxPrice};
    case TPanel::CigarettePrice:
        return {TPanel::Finish, TPanel::CigaretteQuantity, std::nullopt};
    case TPanel::Finish:
        break;
    }
    return {TPanel::Finish, TPanel::CigarettePrice, std::nullopt};
}

} // namespace

TWizard::TWizard(TWizardView& view) : View(view) {}

void TWizard::Create() {
    CurrentPanel = TPanel::Start;
    ShowPanel(CurrentPanel);
    FillFromStore();
    FormCreate();
}

void TWizard::FillFromStore() {
    // A store that exists but cannot be used now (another program's lock, a folder open to
    // others) leaves the fields unfilled, with no message here: the ticker reports it at once,
    // and the fields are filled before the wizard is shown, never left empty over figures that
    // are stored.
    Filled = false;
    try {
        FillFields();
    } catch (const ERegistryUnavailable&) {
        return;
    }
    Filled = true;
}

void TWizard::FillFields() {
    // A name or birth year stored with the wrong type must not stop every start of the
    // program: the field stays empty, and passing its page stores the value afresh.
    try {
        View.SetFieldText(TField::Username, Setting->GetUserName());
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        View.ShowMessage(e.Message());
    }
    try {
        View.SetFieldText(TField::DOB, Setting->GetUserDOB());
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        View.ShowMessage(e.Message());
    }
    try {
        View.SetFieldText(TField::CigaretteQuantity, IntegerToText(Setting->GetCigConsQty()));
        View.SetFieldText(TField::CigaretteBoxQuantity, IntegerToText(Setting->GetCigBoxQty()));
        View.SetFieldText(TField::CigaretteBoxPrice,
                          FloatToGeneralText(static_cast<Extended>(Setting->GetCigBoxPrice())));
        if (Setting->GetUserStopTime() == 0.0) {
            View.SetCalendarDate(CurrentDateTime());
        } else {
            View.SetCalendarDate(Setting->GetUserStopTime());
        }
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        View.ShowMessage(e.Message());
    }
}

bool TWizard::PrepareShowing() {
    if (!Filled) {
        try {
            FillFields();
        } catch (const ERegistryUnavailable& e) {
            View.ShowMessage(ExceptionMessageText(e));
            return false;
        }
        Filled = true;
    }
    return true;
}

void TWizard::FormCreate() {
    const std::pair<TPrompt, const char*> prompts[] = {
        {TPrompt::Username, Texts::PromptUsername},
        {TPrompt::DOB, Texts::PromptDOB},
        {TPrompt::CigaretteQuantity, Texts::PromptCigaretteQuantity},
        {TPrompt::CigaretteBoxQuantity, Texts::PromptCigaretteBoxQuantity},
        {TPrompt::CigaretteBoxPrice, Texts::PromptCigaretteBoxPrice},
        {TPrompt::StoppingDate, Texts::PromptStoppingDate},
    };
    for (const auto& [prompt, text] : prompts) {
        View.SetPrompt(prompt, WidenNarrowText(text));
    }
    View.SetFieldFilter(TField::DOB, WidenNarrowText(Texts::FilterDigits));
    View.SetFieldFilter(TField::CigaretteQuantity, WidenNarrowText(Texts::FilterDigits));
    View.SetFieldFilter(TField::CigaretteBoxQuantity, WidenNarrowText(Texts::FilterDigits));
    View.SetFieldFilter(TField::CigaretteBoxPrice, WidenNarrowText(Texts::FilterPrice));
}

void TWizard::ShowPanel(TPanel panel) {
    View.ShowPage(
        panel, panel != TPanel::Start,
        WidenNarrowText(panel == TPanel::Finish ? Texts::ButtonFinishText : Texts::ButtonNextText));
}

void TWizard::NextStep() {
    const TPageRule rule = RuleOf(CurrentPanel);
    switch (CurrentPanel) {
    case TPanel::Start:
        CurrentPanel = rule.Next;
        break;
    case TPanel::Name:
        CurrentPanel = rule.Next;
        Setting->SetUserName(View.FieldText(TField::Username));
        break;
    case TPanel::DOB:
        CurrentPanel = rule.Next;
        Setting->SetUserDOB(View.FieldText(TField::DOB));
        break;
    case TPanel::CigaretteQuantity:
        CurrentPanel = rule.Next;
        try {
            Setting->SetCigConsQty(TextToInteger(View.FieldText(TField::CigaretteQuantity)));
        } catch (const Exception&) {
            // A figure that does not convert keeps the stored one; the price page says the
            // rest, so no message here.
        }
        break;
    case TPanel::CigarettePrice:
        try {
            const Extended price = TextToExtended(View.FieldText(TField::CigaretteBoxPrice));
            Setting->SetCigBoxPrice(NarrowToSingle(price));
            const Extended quantity = TextToExtended(View.FieldText(TField::CigaretteBoxQuantity));
            Setting->SetCigBoxQty(TruncateToInteger(quantity));
        } catch (const Exception& e) {
            View.ShowMessage(e.Message());
        }
        CurrentPanel = rule.Next;
        break;
    case TPanel::Finish:
        Setting->SetUserStopTime(View.CalendarDate());
        Setting->SetSetupCompl(true);
        View.EndShowing(1);
        break;
    }
    // The focus is requested before the new page shows.
    if (rule.FocusOnNext) {
        View.FocusField(*rule.FocusOnNext);
    }
    ShowPanel(CurrentPanel);
}

void TWizard::PreviousStep() {
    CurrentPanel = RuleOf(CurrentPanel).Previous;
    ShowPanel(CurrentPanel);
}

void TWizard::ButtonNextClick() {
    NextStep();
}

void TWizard::ButtonPreviousClick() {
    PreviousStep();
}

void TWizard::ButtonCancelClick() {
    View.EndShowing(2);
}

void TWizard::CloseRequested() {
    View.EndShowing(2);
}

void TWizard::EditKeyUp(TField field, std::uint16_t key) {
    const auto filled = [this](TField f) { return !View.FieldText(f).empty(); };
    if (key != KeyEnter || !filled(field)) {
        return;
    }
    switch (field) {
    case TField::CigaretteBoxPrice:
        View.FocusField(TField::CigaretteBoxQuantity);
        break;
    case TField::CigaretteBoxQuantity:
        if (!filled(TField::CigaretteBoxPrice)) {
            View.FocusField(TField::CigaretteBoxPrice);
        } else {
            NextStep();
        }
        break;
    case TField::Username:
    case TField::DOB:
    case TField::CigaretteQuantity:
        NextStep();
        break;
    }
}

void TWizard::FormMouseDown(float x, float y) {
    MouseDownX = x;
    MouseDownY = y;
    // Both cursors stay so for the rest of the run: nothing sets them back.
    View.SetWindowCursor(TCursor::Cross);
    View.SetPanelTopCursor(TCursor::SizeAll);
}

void TWizard::FormMouseMove(bool leftHeld, float x, float y) {
    if (leftHeld) {
        DragTo(View, x, y, MouseDownX, MouseDownY);
    }
}
