#pragma once

// The setup wizard: six pages that collect the user's figures and save them page by page
// through the settings store as the user moves forward.

#include "conversions/Types.h"

#include <QDate>
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QWidget>

class QCalendarWidget;
class QComboBox;
class QToolButton;

// A single-line edit whose typed characters can be limited to a set. Only typing is filtered:
// editing and moving keys, Enter and text pasted from the clipboard pass untouched, so the
// user can still paste anything and correct it.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);

    // The characters typing may insert; empty lets every character through.
    QString FilterChar;

    // The key code that the release handlers see: 13 for Enter (main or keypad).
    static quint16 KeyCodeOf(const QKeyEvent& event);

signals:
    // A key released while the edit has the focus (auto-repeat excluded: holding Enter down
    // must not run through the pages).
    void KeyUp(quint16 key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool Admits(const QString& typed) const;
};

// A month calendar whose value is always a whole day: a bar with the previous month, today
// and the next month, choosers for the month and the year (the shown year and ten either
// side), and the grid of days with the chosen day marked.
class TMonthCalendar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QDate Day READ Day WRITE SetDay)
public:
    explicit TMonthCalendar(QWidget* parent = nullptr);

    // The chosen day at 00:00.
    TDateTime Date() const;
    // Keeps only the date part; a value outside the calendar's range is held at its edge.
    void SetDate(TDateTime value);

    QDate Day() const;
    void SetDay(QDate day);

    QToolButton* ButtonPreviousMonth;
    QToolButton* ButtonToday;
    QToolButton* ButtonNextMonth;
    QComboBox* ComboMonth;
    QComboBox* ComboYear;
    QCalendarWidget* Grid;

private:
    void ShowChoosers();
    void ChooseMonthAndYear();
};

#include "ui_Unitsetup.h"

class TFormSetup : public QDialog, public Ui::TFormSetup {
    Q_OBJECT
public:
    // Created once per run, hidden, with the ticker as its owner.
    explicit TFormSetup(QWidget* owner);
    ~TFormSetup() override;

    // Centred anew, then shown modally: 1 when the wizard was finished, 2 otherwise.
    int ShowModal();

    void ShowPanel(QWidget* panel);
    void NextStep();
    void PreviousStep();

    // The page the flow is on; kept from one showing to the next.
    QWidget* CurrentPanel = nullptr;
    float MouseDownX = 0;
    float MouseDownY = 0;
    // Whether the fields hold what the store held when they were last filled.
    bool Filled = false;

    void FormCreate();
    void FormMouseDown(Qt::MouseButton button, Qt::MouseButtons held, float x, float y);
    void FormMouseMove(Qt::MouseButtons held, float x, float y);

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
    void FillFromStore();
    // Raises ERegistryUnavailable; shows every other failure and goes on.
    void FillFields();
    void LoadBanner();
    void UpdateDisabledLook(QWidget* control);
    QRegion PanelShape() const;
};

extern TFormSetup* FormSetup;
