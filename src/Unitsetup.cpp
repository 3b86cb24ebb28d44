#include "Unitsetup.h"

#include "Unitsetting.h"
#include "conversions/Clock.h"
#include "conversions/FloatingPoint.h"
#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"
#include "conversions/NumberParse.h"
#include "framework/Application.h"
#include "registry/Registry.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TFormSetup* FormSetup = nullptr;

namespace {

// The program's own 8-bit texts; "\xF6" is the "ö" of code page 1252.
const char PromptUsername[] = "Wie lautet dein Name?";
const char PromptDOB[] = "In welchem Jahr wurdest du geboren?";
const char PromptCigaretteQuantity[] = "Wieviele Zigaretten hast du pro Tag geraucht?";
const char PromptCigaretteBoxQuantity[] = "Wieviele Zigaretten waren in einer Packung?";
const char PromptCigaretteBoxPrice[] = "Wie hoch war der Preis einer Packung?";
const char PromptStoppingDate[] = "An welchem Tag hast du mit dem Rauchen aufgeh\xF6rt?";
const char FilterDigits[] = "0123456789";
const char FilterPrice[] = "0123456789,";
const char TextNext[] = "Weiter >>";
const char TextFinish[] = "Fertig";

constexpr qreal PanelOpacity = 0.9;
// On top of the window's opacity, so a disabled button ends at four fifths of a panel's.
constexpr qreal DisabledOpacity = 0.8;
constexpr int FontPixelSize = 30;

// Day 0 of TDateTime.
const QDate DayZero(1899, 12, 30);

QString Widened(const char* text) {
    return QString::fromStdU16String(WidenNarrowText(text));
}

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

std::u16string ToText(const QString& text) {
    return text.toStdU16String();
}

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
    if (FilterChar.isEmpty()) {
        return true;
    }
    return std::all_of(typed.begin(), typed.end(),
                       [this](QChar c) { return FilterChar.contains(c); });
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
            [this] { SetDay(Day().addMonths(-1)); });
    connect(ButtonNextMonth, &QToolButton::clicked, this, [this] { SetDay(Day().addMonths(1)); });
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
    return static_cast<TDateTime>(DayZero.daysTo(Day()));
}

void TMonthCalendar::SetDate(TDateTime value) {
    if (std::isnan(value)) {
        return;
    }
    // The date part, as the day number counts it: toward zero, also before day 0.
    const double first = static_cast<double>(DayZero.daysTo(Grid->minimumDate()));
    const double last = static_cast<double>(DayZero.daysTo(Grid->maximumDate()));
    const double day = std::clamp(std::trunc(value), first, last);
    SetDay(DayZero.addDays(static_cast<qint64>(day)));
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
    const int lastDay = QDate(year, month, 1).daysInMonth();
    SetDay(QDate(year, month, std::min(Day().day(), lastDay)));
}

// --- TFormSetup -------------------------------------------------------------------------------

TFormSetup::TFormSetup(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);

    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(FontPixelSize);
    font.setWeight(QFont::Normal);
    for (QWidget* control : std::initializer_list<QWidget*>{
             LabelStart, LabelUsername, LabelDOB, LabelCigaretteQuantity, LabelCigaretteBoxPrice,
             LabelCigaretteBoxQuantity, LabelStoppingDate, EditUsername, EditDOB,
             EditCigaretteQuantity, EditCigaretteBoxPrice, EditCigaretteBoxQuantity, ButtonNext,
             ButtonPrevious, ButtonCancel}) {
        control->setFont(font);
    }

    // Everything the window draws lies on its panels, which never overlap, so drawing the
    // whole window at the panels' opacity is drawing each panel with its controls at it. (An
    // opacity effect per panel leaves traces of the previous page on a see-through window.)
    setWindowOpacity(PanelOpacity);
    for (QWidget* panel : std::initializer_list<QWidget*>{
             PanelTop, PanelBottom, PanelCenterStart, PanelCenterName, PanelCenterDOB,
             PanelCenterCigaretteQuantity, PanelCenterCigarettePrice, PanelCenterFinish}) {
        // Controls show their own cursor; the window's shows only where no panel lies.
        panel->setCursor(Qt::ArrowCursor);
    }

    // There is no release handler: the cursors set by a press stay.
    InstallFormMouseHandlers(
        this, TFormMouseHandlers{
                  [this](Qt::MouseButton button, Qt::MouseButtons held, float x, float y) {
                      FormMouseDown(button, held, x, y);
                  },
                  [this](Qt::MouseButtons held, float x, float y) { FormMouseMove(held, x, y); },
                  {}});

    CurrentPanel = PanelCenterStart;
    ShowPanel(CurrentPanel);
    FillFromStore();
    FormCreate();
}

TFormSetup::~TFormSetup() {
    if (FormSetup == this) {
        FormSetup = nullptr;
    }
}

void TFormSetup::FillFromStore() {
    // A store that exists but cannot be used now (another program's lock, a folder open to
    // others) leaves the fields unfilled, with no message here: the ticker reports it at once,
    // and the fields are filled before the wizard is shown, never left at nothing over figures
    // that are stored.
    Filled = false;
    try {
        FillFields();
    } catch (const ERegistryUnavailable&) {
        return;
    }
    Filled = true;
}

void TFormSetup::FillFields() {
    // A name or birth year stored with the wrong type must not stop every start of the
    // program: the field stays empty, and passing its page stores the value afresh.
    try {
        EditUsername->setText(ToQString(Setting->GetUserName()));
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        ShowMessageBox(e.Message());
    }
    try {
        EditDOB->setText(ToQString(Setting->GetUserDOB()));
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        ShowMessageBox(e.Message());
    }
    try {
        EditCigaretteQuantity->setText(ToQString(IntegerToText(Setting->GetCigConsQty())));
        EditCigaretteBoxQuantity->setText(ToQString(IntegerToText(Setting->GetCigBoxQty())));
        EditCigaretteBoxPrice->setText(
            ToQString(FloatToGeneralText(static_cast<Extended>(Setting->GetCigBoxPrice()))));
        if (Setting->GetUserStopTime() == 0.0) {
            CalendarStopped->SetDate(CurrentDateTime());
        } else {
            CalendarStopped->SetDate(Setting->GetUserStopTime());
        }
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const Exception& e) {
        ShowMessageBox(e.Message());
    }
}

void TFormSetup::FormCreate() {
    const std::pair<QLabel*, const char*> prompts[] = {
        {LabelUsername, PromptUsername},
        {LabelDOB, PromptDOB},
        {LabelCigaretteQuantity, PromptCigaretteQuantity},
        {LabelCigaretteBoxQuantity, PromptCigaretteBoxQuantity},
        {LabelCigaretteBoxPrice, PromptCigaretteBoxPrice},
        {LabelStoppingDate, PromptStoppingDate},
    };
    for (const auto& [label, prompt] : prompts) {
        label->setText(Widened(prompt));
        // A screen reader announces each field by its question.
        if (QWidget* field = label->buddy()) {
            field->setAccessibleName(label->text());
        }
    }
    CalendarStopped->setAccessibleName(LabelStoppingDate->text());

    EditDOB->FilterChar = Widened(FilterDigits);
    EditCigaretteQuantity->FilterChar = Widened(FilterDigits);
    EditCigaretteBoxQuantity->FilterChar = Widened(FilterDigits);
    EditCigaretteBoxPrice->FilterChar = Widened(FilterPrice);
}

int TFormSetup::ShowModal() {
    // Fields that could not be filled from the store are filled now; while the store still
    // cannot be used, the wizard is not shown at all: passing its pages would write empty
    // fields over the stored figures.
    if (!Filled) {
        try {
            FillFields();
        } catch (const ERegistryUnavailable& e) {
            Application->ShowException(e);
            return 2;
        }
        Filled = true;
    }
    LoadBanner();
    CenterOnPrimaryScreen(this);
    ApplyShapeWithoutCompositor(this, PanelShape());
    return exec();
}

void TFormSetup::LoadBanner() {
    // Decoding and scaling the photo is most of the window's construction, and most starts
    // never show the wizard: it is done at the first showing.
    if (!ImageTop->pixmap().isNull()) {
        return;
    }
    const QPixmap banner(QStringLiteral(":/images/banner.png"));
    if (banner.isNull()) {
        return;
    }
    layout()->activate();
    const qreal ratio = devicePixelRatioF();
    QPixmap fitted =
        banner.scaled(ImageTop->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(ratio);
    ImageTop->setPixmap(fitted);
}

QRegion TFormSetup::PanelShape() const {
    layout()->activate();
    return QRegion(PanelTop->geometry()) + QRegion(CurrentPanel->geometry()) +
           QRegion(PanelBottom->geometry());
}

void TFormSetup::ShowPanel(QWidget* panel) {
    for (QWidget* page : std::initializer_list<QWidget*>{
             PanelCenterStart, PanelCenterName, PanelCenterDOB, PanelCenterCigaretteQuantity,
             PanelCenterCigarettePrice, PanelCenterFinish}) {
        page->hide();
    }
    ButtonPrevious->setEnabled(panel != PanelCenterStart);
    UpdateDisabledLook(ButtonPrevious);
    ButtonNext->setText(Widened(panel == PanelCenterFinish ? TextFinish : TextNext));
    panel->show();
}

void TFormSetup::UpdateDisabledLook(QWidget* control) {
    if (control->isEnabled()) {
        control->setGraphicsEffect(nullptr);
    } else if (control->graphicsEffect() == nullptr) {
        auto* effect = new QGraphicsOpacityEffect(control);
        effect->setOpacity(DisabledOpacity);
        control->setGraphicsEffect(effect);
    }
}

void TFormSetup::NextStep() {
    if (CurrentPanel == PanelCenterStart) {
        CurrentPanel = PanelCenterName;
        EditUsername->setFocus();
    } else if (CurrentPanel == PanelCenterName) {
        CurrentPanel = PanelCenterDOB;
        Setting->SetUserName(ToText(EditUsername->text()));
        EditDOB->setFocus();
    } else if (CurrentPanel == PanelCenterDOB) {
        CurrentPanel = PanelCenterCigaretteQuantity;
        Setting->SetUserDOB(ToText(EditDOB->text()));
        EditCigaretteQuantity->setFocus();
    } else if (CurrentPanel == PanelCenterCigaretteQuantity) {
        CurrentPanel = PanelCenterCigarettePrice;
        try {
            Setting->SetCigConsQty(TextToInteger(ToText(EditCigaretteQuantity->text())));
        } catch (const Exception&) {
            // A figure that does not convert keeps the stored one; the price page says the
            // rest, so no message here.
        }
        EditCigaretteBoxPrice->setFocus();
    } else if (CurrentPanel == PanelCenterCigarettePrice) {
        try {
            const Extended price = TextToExtended(ToText(EditCigaretteBoxPrice->text()));
            Setting->SetCigBoxPrice(NarrowToSingle(price));
            const Extended quantity = TextToExtended(ToText(EditCigaretteBoxQuantity->text()));
            Setting->SetCigBoxQty(TruncateToInteger(quantity));
        } catch (const Exception& e) {
            ShowMessageBox(e.Message());
        }
        CurrentPanel = PanelCenterFinish;
    } else if (CurrentPanel == PanelCenterFinish) {
        Setting->SetUserStopTime(CalendarStopped->Date());
        Setting->SetSetupCompl(true);
        done(1);
    }
    ShowPanel(CurrentPanel);
}

void TFormSetup::PreviousStep() {
    if (CurrentPanel == PanelCenterFinish) {
        CurrentPanel = PanelCenterCigarettePrice;
    } else if (CurrentPanel == PanelCenterCigarettePrice) {
        CurrentPanel = PanelCenterCigaretteQuantity;
    } else if (CurrentPanel == PanelCenterCigaretteQuantity) {
        CurrentPanel = PanelCenterDOB;
    } else if (CurrentPanel == PanelCenterDOB) {
        CurrentPanel = PanelCenterName;
    } else if (CurrentPanel == PanelCenterName) {
        CurrentPanel = PanelCenterStart;
    }
    ShowPanel(CurrentPanel);
}

void TFormSetup::ButtonNextClick() {
    Guarded([this] { NextStep(); });
}

void TFormSetup::ButtonPreviousClick() {
    Guarded([this] { PreviousStep(); });
}

void TFormSetup::ButtonCancelClick() {
    Guarded([this] { close(); });
}

void TFormSetup::reject() {
    done(2);
}

void TFormSetup::keyPressEvent(QKeyEvent* event) {
    // Skips QDialog's handling: Escape must not close the wizard and Enter must not press a
    // button; Enter acts only through the fields' release handlers.
    QWidget::keyPressEvent(event);
}

void TFormSetup::EditUsernameKeyUp(quint16 key) {
    Guarded([&] {
        if (key == 13 && !EditUsername->text().isEmpty()) {
            NextStep();
        }
    });
}

void TFormSetup::EditDOBKeyUp(quint16 key) {
    Guarded([&] {
        if (key == 13 && !EditDOB->text().isEmpty()) {
            NextStep();
        }
    });
}

void TFormSetup::EditCigaretteQuantityKeyUp(quint16 key) {
    Guarded([&] {
        if (key == 13 && !EditCigaretteQuantity->text().isEmpty()) {
            NextStep();
        }
    });
}

void TFormSetup::EditCigaretteBoxPriceKeyUp(quint16 key) {
    Guarded([&] {
        if (key == 13 && !EditCigaretteBoxPrice->text().isEmpty()) {
            EditCigaretteBoxQuantity->setFocus();
        }
    });
}

void TFormSetup::EditCigaretteBoxQuantityKeyUp(quint16 key) {
    Guarded([&] {
        if (key == 13 && !EditCigaretteBoxQuantity->text().isEmpty()) {
            if (EditCigaretteBoxPrice->text().isEmpty()) {
                EditCigaretteBoxPrice->setFocus();
            } else {
                NextStep();
            }
        }
    });
}

void TFormSetup::FormMouseDown(Qt::MouseButton, Qt::MouseButtons, float X, float Y) {
    MouseDownX = X;
    MouseDownY = Y;
    // Both cursors stay so for the rest of the run: nothing sets them back.
    setCursor(Qt::CrossCursor);
    PanelTop->setCursor(Qt::SizeAllCursor);
}

void TFormSetup::FormMouseMove(Qt::MouseButtons held, float X, float Y) {
    if (!(held & Qt::LeftButton)) {
        return;
    }
    // Horizontal first, each applied at once: the second move sees the first.
    move(TruncateToInteger(static_cast<Extended>(x()) + (static_cast<Extended>(X) - MouseDownX)),
         y());
    move(x(),
         TruncateToInteger(static_cast<Extended>(y()) + (static_cast<Extended>(Y) - MouseDownY)));
}
