#pragma once

// The setup wizard's window: six pages that collect the user's figures. A passive view: the
// page flow, the saving and the Enter rules are the behaviour's (Wizard); this class builds the
// window from its layout, draws it and forwards Qt's events.

#include "app/Wizard.h"
#include "framework/Controls.h"

#include <QDialog>

#include <memory>

class QFrame;
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

    // The behaviour; it keeps CurrentPanel, MouseDownX and MouseDownY.
    TWizard Wizard{*this};

    // The layout's controls.
    QFrame* PanelTop;
    QLabel* ImageTop;
    QFrame* PanelCenterStart;
    QLabel* LabelStart;
    QFrame* PanelCenterName;
    QLabel* LabelUsername;
    TEdit* EditUsername;
    QFrame* PanelCenterDOB;
    QLabel* LabelDOB;
    TEdit* EditDOB;
    QFrame* PanelCenterCigaretteQuantity;
    QLabel* LabelCigaretteQuantity;
    TEdit* EditCigaretteQuantity;
    QFrame* PanelCenterCigarettePrice;
    QLabel* LabelCigaretteBoxPrice;
    TEdit* EditCigaretteBoxPrice;
    QLabel* LabelCigaretteBoxQuantity;
    TEdit* EditCigaretteBoxQuantity;
    QFrame* PanelCenterFinish;
    QLabel* LabelStoppingDate;
    TMonthCalendar* CalendarStopped;
    QFrame* PanelBottom;
    QPushButton* ButtonCancel;
    QPushButton* ButtonPrevious;
    QPushButton* ButtonNext;

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

    void LoadBanner();
    void UpdateDisabledLook(QWidget* control);
    QRegion PanelShape() const;

    std::unique_ptr<Ui::TFormSetup> Layout;
};

extern TFormSetup* FormSetup;
