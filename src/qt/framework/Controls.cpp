#include "framework/Controls.h"

#include "app/Calendar.h"
#include "app/InputFilter.h"
#include "conversions/Clock.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// What a line edit would insert as typed text: printable characters, not a Ctrl shortcut
// (Ctrl+V and friends; Ctrl+Alt, which is AltGr on Windows, still types).
bool IsTyping(const QKeyEvent& event) {
    const QString text = event.text();
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        return false;
    }
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

QDate ToQDate(const TCalendarDay& day) {
    return QDate(day.Year, day.Month, day.Day);
}

TCalendarDay ToCalendarDay(const QDate& date) {
    return {date.year(), date.month(), date.day()};
}

} // namespace

// --- TEdit ------------------------------------------------------------------------------------

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

quint16 TEdit::KeyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        return 13;
    }
    // Letters and digits have the same codes as on Windows; the handlers look at Enter only.
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return static_cast<quint16>(key);
    }
    return 0;
}

bool TEdit::Admits(const QString& typed) const {
    return FilterAdmits(FilterChar.toStdU16String(), typed.toStdU16String());
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    if (IsTyping(*event) && !Admits(event->text())) {
        // Dropped silently: no sound, no message.
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Characters composed by an input method are typed too.
    if (!event->commitString().isEmpty() && !Admits(event->commitString())) {
        QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&withoutCommit);
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) {
        emit KeyUp(KeyCodeOf(*event));
    }
}

// --- TMonthCalendar ---------------------------------------------------------------------------

TMonthCalendar::TMonthCalendar(QWidget* parent)
    : QWidget(parent), ButtonPreviousMonth(new QToolButton(this)),
      ButtonToday(new QToolButton(this)), ButtonNextMonth(new QToolButton(this)),
      ComboMonth(new QComboBox(this)), ComboYear(new QComboBox(this)),
      Grid(new QCalendarWidget(this)) {
    ButtonPreviousMonth->setArrowType(Qt::LeftArrow);
    ButtonPreviousMonth->setAccessibleName(QStringLiteral("Voriger Monat"));
    ButtonToday->setText(QStringLiteral("Heute"));
    ButtonToday->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ButtonNextMonth->setArrowType(Qt::RightArrow);
    ButtonNextMonth->setAccessibleName(QString::fromUtf8("Nächster Monat"));
    ComboMonth->setAccessibleName(QStringLiteral("Monat"));
    ComboYear->setAccessibleName(QStringLiteral("Jahr"));

    for (int month = 1; month <= 12; ++month) {
        ComboMonth->addItem(locale().standaloneMonthName(month), month);
    }

    // Our own bar replaces the grid's: it has no "today", and its year is not a list.
    Grid->setDateRange(ToQDate(FirstCalendarDay), ToQDate(LastCalendarDay));
    Grid->setNavigationBarVisible(false);
    Grid->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Grid->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    Grid->setFirstDayOfWeek(locale().firstDayOfWeek());

    auto* navigation = new QHBoxLayout;
    navigation->setSpacing(4);
    navigation->addWidget(ButtonPreviousMonth);
    navigation->addWidget(ButtonToday);
    navigation->addWidget(ButtonNextMonth);
    auto* choosers = new QHBoxLayout;
    choosers->setSpacing(4);
    choosers->addWidget(ComboMonth, 3);
    choosers->addWidget(ComboYear, 2);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addLayout(navigation);
    column->addLayout(choosers);
    column->addWidget(Grid, 1);

    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(Grid);

    connect(ButtonPreviousMonth, &QToolButton::clicked, this,
            [this] { SetDay(ToQDate(AddMonths(ToCalendarDay(Day()), -1))); });
    connect(ButtonNextMonth, &QToolButton::clicked, this,
            [this] { SetDay(ToQDate(AddMonths(ToCalendarDay(Day()), 1))); });
    connect(ButtonToday, &QToolButton::clicked, this, [this] { SetDate(CurrentDateTime()); });
    connect(ComboMonth, &QComboBox::activated, this, [this] { ChooseMonthAndYear(); });
    connect(ComboYear, &QComboBox::activated, this, [this] { ChooseMonthAndYear(); });
    connect(Grid, &QCalendarWidget::selectionChanged, this, [this] { ShowChoosers(); });

    ShowChoosers();
}

QDate TMonthCalendar::Day() const {
    return Grid->selectedDate();
}

void TMonthCalendar::SetDay(QDate day) {
    if (!day.isValid()) {
        return;
    }
    day = std::clamp(day, Grid->minimumDate(), Grid->maximumDate());
    Grid->setSelectedDate(day);
    Grid->setCurrentPage(day.year(), day.month());
    ShowChoosers();
}

TDateTime TMonthCalendar::Date() const {
    return DateTimeOf(ToCalendarDay(Day()));
}

void TMonthCalendar::SetDate(TDateTime value) {
    if (const std::optional<TCalendarDay> day = CalendarDayOf(value)) {
        SetDay(ToQDate(*day));
    }
}

void TMonthCalendar::ShowChoosers() {
    const QDate day = Day();
    const QSignalBlocker blockMonth(ComboMonth);
    const QSignalBlocker blockYear(ComboYear);
    ComboMonth->setCurrentIndex(day.month() - 1);
    ComboYear->clear();
    const int firstYear = std::max(day.year() - 10, Grid->minimumDate().year());
    const int lastYear = std::min(day.year() + 10, Grid->maximumDate().year());
    for (int year = firstYear; year <= lastYear; ++year) {
        ComboYear->addItem(QString::number(year), year);
    }
    ComboYear->setCurrentIndex(day.year() - firstYear);
}

void TMonthCalendar::ChooseMonthAndYear() {
    const int month = ComboMonth->currentData().toInt();
    const int year = ComboYear->currentData().toInt();
    SetDay(ToQDate(WithMonth(ToCalendarDay(Day()), year, month)));
}
