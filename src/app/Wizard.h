#pragma once

// The setup wizard's behaviour, toolkit-free: the page flow as data, what each step saves and
// in which order, where the focus goes, the Enter rules, the filling from the store, the
// prompts and filters, dragging. The front-end's TFormSetup is a passive view that forwards its
// events here.

#include "app/Geometry.h"
#include "conversions/Types.h"

#include <cstdint>
#include <string>

// The six pages, in order; named after the last word of their panel (PanelCenterStart, ...).
enum class TPanel { Start, Name, DOB, CigaretteQuantity, CigarettePrice, Finish };

// The five edits.
enum class TField { Username, DOB, CigaretteQuantity, CigaretteBoxPrice, CigaretteBoxQuantity };

// The six prompt labels.
enum class TPrompt {
    Username,
    DOB,
    CigaretteQuantity,
    CigaretteBoxQuantity,
    CigaretteBoxPrice,
    StoppingDate
};

// What the wizard's window offers the behaviour.
class TWizardView : public TMovableView {
public:
    // Makes `panel` the only visible page, ButtonPrevious enabled or not, ButtonNext's text.
    virtual void ShowPage(TPanel panel, bool previousEnabled, const std::u16string& nextText) = 0;
    // Gives the keyboard focus to `field`; requested before its page shows.
    virtual void FocusField(TField field) = 0;
    virtual std::u16string FieldText(TField field) const = 0;
    virtual void SetFieldText(TField field, const std::u16string& text) = 0;
    // The characters that typing may insert into `field`.
    virtual void SetFieldFilter(TField field, const std::u16string& filter) = 0;
    virtual void SetPrompt(TPrompt prompt, const std::u16string& text) = 0;
    // CalendarStopped: its day at 00:00; setting it keeps only the date part.
    virtual TDateTime CalendarDate() const = 0;
    virtual void SetCalendarDate(TDateTime value) = 0;
    // The modal message box with the text as it stands; returns when the user closes it.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // Ends the modal showing with `result` and hides the window.
    virtual void EndShowing(int result) = 0;
    // The window's own cursor, and that of PanelTop.
    virtual void SetWindowCursor(TCursor cursor) = 0;
    virtual void SetPanelTopCursor(TCursor cursor) = 0;

protected:
    ~TWizardView() = default;
};

class TWizard {
public:
    explicit TWizard(TWizardView& view);

    // Creation, once per run: the Start page, the fields from the store (a failure is shown in
    // the message box and ends the guarded part), then FormCreate.
    void Create();
    // The six prompts, then the four filters.
    void FormCreate();

    // Called as a showing begins. Fields that could not be filled from the store at creation
    // (it could not be used then) are filled now; while the store still cannot be used the
    // showing does not happen (false), since passing the pages would write empty fields over
    // the stored figures. Says why in the message box.
    bool PrepareShowing();

    void ShowPanel(TPanel panel);
    void NextStep();
    void PreviousStep();

    void ButtonNextClick();
    void ButtonPreviousClick();
    void ButtonCancelClick();
    // A close request from the system ends the showing as cancelled.
    void CloseRequested();

    // The Enter rules, on the release of a key in an edit; 13 is Enter.
    void EditKeyUp(TField field, std::uint16_t key);
    void EditUsernameKeyUp(std::uint16_t key) { EditKeyUp(TField::Username, key); }
    void EditDOBKeyUp(std::uint16_t key) { EditKeyUp(TField::DOB, key); }
    void EditCigaretteQuantityKeyUp(std::uint16_t key) {
        EditKeyUp(TField::CigaretteQuantity, key);
    }
    void EditCigaretteBoxPriceKeyUp(std::uint16_t key) {
        EditKeyUp(TField::CigaretteBoxPrice, key);
    }
    void EditCigaretteBoxQuantityKeyUp(std::uint16_t key) {
        EditKeyUp(TField::CigaretteBoxQuantity, key);
    }

    void FormMouseDown(float x, float y);
    void FormMouseMove(bool leftHeld, float x, float y);

    // The page the flow is on; kept from one showing to the next.
    TPanel CurrentPanel = TPanel::Start;
    float MouseDownX = 0;
    float MouseDownY = 0;

private:
    void FillFromStore();
    // Raises ERegistryUnavailable; shows every other failure and goes on.
    void FillFields();

    // Whether the fields hold what the store held when they were last filled.
    bool Filled = false;

    TWizardView& View;
};

// The key code of Enter in the release handlers.
inline constexpr std::uint16_t KeyEnter = 13;
