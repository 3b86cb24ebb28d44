#pragma once

// The wizard's two custom controls: an edit that filters typed characters and reports key
// releases, and a month calendar whose value is always a whole day.

#include "conversions/Types.h"

#include <QDate>
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
