#pragma once

// The setup wizard's window: six pages that collect the user's figures. A passive view: the
// page flow, the saving and the Enter rules are the behaviour's (Wizard); this class builds the
// window from its layout, draws it and forwards Qt's events.

#include "app/Wizard.h"
#include "framework/Controls.h"

#include <QDialog>

#include <map>
#include <memory>
#include <optional>
#include <string>

class QFrame;
class TLayoutScaler;
class QLabel;
class QPushButton;

namespace Ui {
class TFormSetup;
}

class TFormSetup : public QDialog, private TWizardView {
    Q_OBJECT
public:
    // Created once per run, hidden, with the ticker as its owner.
    explicit TFormSetup(QWidget* owner);
    ~TFormSetup() override;

    // Centred anew, then shown modally: 1 when the wizard was finished, 2 otherwise.
    int ShowModal();

    // Builds the controls from the layout, as the first showing does, and gives them what the
    // behaviour set so far. Until then the control pointers below are null.
    void Build();
    bool Built() const { return ButtonNext != nullptr; }

    // The behaviour; it keeps CurrentPanel, MouseDownX and MouseDownY.
    TWizard Wizard{*this};

    // The layout's controls.
    QFrame* PanelTop = nullptr;
    QLabel* ImageTop = nullptr;
    QFrame* PanelCenterStart = nullptr;
    QLabel* LabelStart = nullptr;
    QFrame* PanelCenterName = nullptr;
    QLabel* LabelUsername = nullptr;
    TEdit* EditUsername = nullptr;
    QFrame* PanelCenterDOB = nullptr;
    QLabel* LabelDOB = nullptr;
    TEdit* EditDOB = nullptr;
    QFrame* PanelCenterCigaretteQuantity = nullptr;
    QLabel* LabelCigaretteQuantity = nullptr;
    TEdit* EditCigaretteQuantity = nullptr;
    QFrame* PanelCenterCigarettePrice = nullptr;
    QLabel* LabelCigaretteBoxPrice = nullptr;
    TEdit* EditCigaretteBoxPrice = nullptr;
    QLabel* LabelCigaretteBoxQuantity = nullptr;
    TEdit* EditCigaretteBoxQuantity = nullptr;
    QFrame* PanelCenterFinish = nullptr;
    QLabel* LabelStoppingDate = nullptr;
    TMonthCalendar* CalendarStopped = nullptr;
    QFrame* PanelBottom = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonPrevious = nullptr;
    QPushButton* ButtonNext = nullptr;

    // The page panel and the edit that the behaviour names.
    QWidget* PanelOf(TPanel panel) const;
    TEdit* EditOf(TField field) const;

public slots:
    void ButtonNextClick();
    void ButtonPreviousClick();
    void ButtonCancelClick();
    void EditUsernameKeyUp(quint16 key);
    void EditDOBKeyUp(quint16 key);
    void EditCigaretteQuantityKeyUp(quint16 key);
    void EditCigaretteBoxPriceKeyUp(quint16 key);
    void EditCigaretteBoxQuantityKeyUp(quint16 key);

    // A close request from the system ends the showing as cancelled.
    void reject() override;

protected:
    // Neither Enter nor Escape has a window-wide meaning here: no default or cancel button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // TWizardView
    TPoint Position() const override;
    void MoveTo(TPoint position) override;
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

    // The whole layout drawn smaller where the window would not fit the screen's free area.
    void FitToScreen();
    void LoadBanner();
    void UpdateDisabledLook(QWidget* control);
    QRegion PanelShape() const;

    std::unique_ptr<Ui::TFormSetup> Layout;
    std::unique_ptr<TLayoutScaler> Scaler;
    QSize BannerSize; // the banner's picture was fitted to

    // What the behaviour set before the controls were built.
    struct TPending {
        TPanel Page = TPanel::Start;
        bool PreviousEnabled = false;
        std::u16string NextText;
        std::map<TField, std::u16string> Texts;
        std::map<TField, std::u16string> Filters;
        std::map<TPrompt, std::u16string> Prompts;
        std::optional<TDateTime> Calendar;
        std::optional<TCursor> PanelTopCursor;
    } Pending;
};

extern TFormSetup* FormSetup;
