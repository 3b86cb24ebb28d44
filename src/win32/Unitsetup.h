#pragma once

// The setup wizard: six pages that collect the user's figures and save them page by page
// through the settings store as the user moves forward. A passive view: every decision is the
// app layer's TWizard.

#include "app/Wizard.h"
#include "framework/Form.h"

#include <functional>
#include <vector>

class TFormSetup : public TForm, public TWizardView {
public:
    // Created once per run, hidden; `owner` creates it but does not own its window. Its windows
    // are made at the first showing, or before when something asks for them: most runs never
    // show the wizard, and making them cost most of the program's start.
    explicit TFormSetup(TForm* owner);

    // The windows, with everything the behaviour set on the view before they existed.
    void EnsureBuilt();

    // Centred anew, then shown modally: 1 when the wizard was finished, 2 otherwise (also when
    // the store cannot be used, after saying so).
    int ShowModal();
    // Centred on the primary screen and shown with no control focused.
    void ShowCentered() override;

    void ButtonNextClick() { Wizard.ButtonNextClick(); }
    void ButtonPreviousClick() { Wizard.ButtonPreviousClick(); }
    void ButtonCancelClick() { Wizard.ButtonCancelClick(); }
    void EditUsernameKeyUp(std::uint16_t key) { Wizard.EditUsernameKeyUp(key); }
    void EditDOBKeyUp(std::uint16_t key) { Wizard.EditDOBKeyUp(key); }
    void EditCigaretteQuantityKeyUp(std::uint16_t key) { Wizard.EditCigaretteQuantityKeyUp(key); }
    void EditCigaretteBoxPriceKeyUp(std::uint16_t key) { Wizard.EditCigaretteBoxPriceKeyUp(key); }
    void EditCigaretteBoxQuantityKeyUp(std::uint16_t key) {
        Wizard.EditCigaretteBoxQuantityKeyUp(key);
    }
    void FormMouseDown(int button, float x, float y);
    void FormMouseMove(bool leftHeld, float x, float y);

    // TWizardView
    void ShowPage(TPanel panel, bool previousEnabled, const std::u16string& nextText) override;
    void FocusField(TField field) override;
    std::u16string FieldText(TField field) const override;
    void SetFieldText(TField field, const std::u16string& text) override;
    void SetFieldFilter(TField field, const std::u16string& filter) override;
    void SetPrompt(TPrompt prompt, const std::u16string& text) override;
    TDateTime CalendarDate() const override;
    void SetCalendarDate(TDateTime value) override;
    void ShowMessage(const std::u16string& text) override;
    void EndShowing(int result) override;
    void SetWindowCursor(TCursor cursor) override;
    void SetPanelTopCursor(TCursor cursor) override;
    TPoint Position() const override;
    void MoveTo(TPoint position) override;

    // The component of a page, a field and a prompt.
    TControl& PanelOf(TPanel panel);
    TControl& EditOf(TField field);
    const TControl& EditOf(TField field) const;
    TControl& LabelOf(TPrompt prompt);

    TWizard Wizard;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormMouseDownEvent(int button, float x, float y) override;
    void FormMouseMoveEvent(bool leftHeld, float x, float y) override;

private:
    // Before the windows exist a view call is kept, and made once they do, in the same order.
    bool Deferred(std::function<void()> call);

    // The edit that last asked for the focus; it gets it again when its page shows.
    HWND FocusRequested = nullptr;
    std::vector<std::function<void()>> Pending;
};

extern TFormSetup* FormSetup;
