#include "Unitsetup.h"

#include "framework/Application.h"
#include "framework/Fitting.h"
#include "framework/Image.h"

// The generated layout code names its window parameter after the form, as the global is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_Unitsetup.h"
#pragma GCC diagnostic pop

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

TFormSetup* FormSetup = nullptr;

namespace {

constexpr int WindowWidth = 987;
constexpr int WindowHeight = 795;
constexpr qreal PanelOpacity = 0.9;
// On top of the window's opacity, so a disabled button ends at four fifths of a panel's.
constexpr qreal DisabledOpacity = 0.8;
constexpr int FontPixelSize = 30;
constexpr int CalendarFontPixelSize = 18;
const QColor FieldColour(0xE8, 0xEE, 0xF4);
// The free space kept on each side of a button's text.
constexpr int ButtonTextMargin = 8;

// Makes the button's font smaller, a pixel at a time, until its longest text fits with the
// margins ("Weiter >>" and "Fertig" share ButtonNext).
void FitText(QPushButton* button) {
    QFont font = button->font();
    const int room = button->minimumWidth() - 2 * ButtonTextMargin;
    const QStringList texts{button->text(), QStringLiteral("Weiter >>")};
    const auto widest = [&texts](const QFont& f) {
        int width = 0;
        for (const QString& text : texts) {
            width = std::max(width, QFontMetrics(f).horizontalAdvance(text));
        }
        return width;
    };
    while (font.pixelSize() > FontPixelSize * 3 / 4 && widest(font) > room) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    button->setFont(font);
}

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

} // namespace

TFormSetup::TFormSetup(QWidget* owner)
    // No parent window: a dialog is stacked above its parent, and the top-most ticker must stay
    // above the wizard. The owner still destroys it.
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), Layout(new Ui::TFormSetup) {
    if (owner != nullptr) {
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
    }
    // The window itself now; its controls at the first showing (most runs never show it). The
    // behaviour fills it all the same: what it sets is kept until the controls exist.
    setFixedSize(WindowWidth, WindowHeight);
    setWindowTitle(QStringLiteral("Setup"));
    setAttribute(Qt::WA_TranslucentBackground);
    // Everything the window draws lies on its panels, which never overlap, so drawing the
    // whole window at the panels' opacity is drawing each panel with its controls at it. (An
    // opacity effect per panel leaves traces of the previous page on a see-through window.)
    setWindowOpacity(PanelOpacity);

    // There is no release handler: the cursors set by a press stay.
    InstallFormMouseHandlers(
        this, TFormMouseHandlers{[this](Qt::MouseButton, Qt::MouseButtons, float x, float y) {
                                     Wizard.FormMouseDown(x, y);
                                 },
                                 [this](Qt::MouseButtons held, float x, float y) {
                                     Wizard.FormMouseMove(held.testFlag(Qt::LeftButton), x, y);
                                 },
                                 {}});

    Wizard.Create();
}

void TFormSetup::Build() {
    if (Built()) {
        return;
    }
    Layout->setupUi(this);
    PanelTop = Layout->PanelTop;
    ImageTop = Layout->ImageTop;
    PanelCenterStart = Layout->PanelCenterStart;
    LabelStart = Layout->LabelStart;
    PanelCenterName = Layout->PanelCenterName;
    LabelUsername = Layout->LabelUsername;
    EditUsername = Layout->EditUsername;
    PanelCenterDOB = Layout->PanelCenterDOB;
    LabelDOB = Layout->LabelDOB;
    EditDOB = Layout->EditDOB;
    PanelCenterCigaretteQuantity = Layout->PanelCenterCigaretteQuantity;
    LabelCigaretteQuantity = Layout->LabelCigaretteQuantity;
    EditCigaretteQuantity = Layout->EditCigaretteQuantity;
    PanelCenterCigarettePrice = Layout->PanelCenterCigarettePrice;
    LabelCigaretteBoxPrice = Layout->LabelCigaretteBoxPrice;
    EditCigaretteBoxPrice = Layout->EditCigaretteBoxPrice;
    LabelCigaretteBoxQuantity = Layout->LabelCigaretteBoxQuantity;
    EditCigaretteBoxQuantity = Layout->EditCigaretteBoxQuantity;
    PanelCenterFinish = Layout->PanelCenterFinish;
    LabelStoppingDate = Layout->LabelStoppingDate;
    CalendarStopped = Layout->CalendarStopped;
    PanelBottom = Layout->PanelBottom;
    ButtonCancel = Layout->ButtonCancel;
    ButtonPrevious = Layout->ButtonPrevious;
    ButtonNext = Layout->ButtonNext;

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
    // Where a field is shows at a glance: a light fill on the white panels, not their colour.
    for (TEdit* edit : {EditUsername, EditDOB, EditCigaretteQuantity, EditCigaretteBoxPrice,
                        EditCigaretteBoxQuantity}) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, FieldColour);
        palette.setColor(QPalette::Text, Qt::black);
        edit->setPalette(palette);
    }
    // A button text that the system's font makes wider than its button is drawn a little
    // smaller, so that it keeps a margin on both sides.
    for (QPushButton* button : {ButtonNext, ButtonPrevious, ButtonCancel}) {
        FitText(button);
    }
    // The calendar's own texts at a size between the window's and Qt's default, so that the
    // day names still fit their columns.
    QFont calendarFont = font;
    calendarFont.setPixelSize(CalendarFontPixelSize);
    CalendarStopped->setFont(calendarFont);
    // Under the window's style sheet a font does not pass on to children by itself.
    for (QWidget* part : CalendarStopped->findChildren<QWidget*>()) {
        part->setFont(calendarFont);
    }

    for (QWidget* panel : std::initializer_list<QWidget*>{
             PanelTop, PanelBottom, PanelCenterStart, PanelCenterName, PanelCenterDOB,
             PanelCenterCigaretteQuantity, PanelCenterCigarettePrice, PanelCenterFinish}) {
        // Controls show their own cursor; the window's shows only where no panel lies.
        panel->setCursor(Qt::ArrowCursor);
    }

    // What the behaviour set before the controls existed.
    ShowPage(Pending.Page, Pending.PreviousEnabled, Pending.NextText);
    for (const auto& [field, text] : Pending.Texts) {
        SetFieldText(field, text);
    }
    for (const auto& [field, filter] : Pending.Filters) {
        SetFieldFilter(field, filter);
    }
    for (const auto& [prompt, text] : Pending.Prompts) {
        SetPrompt(prompt, text);
    }
    if (Pending.Calendar) {
        SetCalendarDate(*Pending.Calendar);
    }
    if (Pending.PanelTopCursor) {
        SetPanelTopCursor(*Pending.PanelTopCursor);
    }
    Pending = {};
}

TFormSetup::~TFormSetup() {
    if (FormSetup == this) {
        FormSetup = nullptr;
    }
}

QWidget* TFormSetup::PanelOf(TPanel panel) const {
    switch (panel) {
    case TPanel::Start:
        return PanelCenterStart;
    case TPanel::Name:
        return PanelCenterName;
    case TPanel::DOB:
        return PanelCenterDOB;
    case TPanel::CigaretteQuantity:
        return PanelCenterCigaretteQuantity;
    case TPanel::CigarettePrice:
        return PanelCenterCigarettePrice;
    case TPanel::Finish:
        break;
    }
    return PanelCenterFinish;
}

TEdit* TFormSetup::EditOf(TField field) const {
    switch (field) {
    case TField::Username:
        return EditUsername;
    case TField::DOB:
        return EditDOB;
    case TField::CigaretteQuantity:
        return EditCigaretteQuantity;
    case TField::CigaretteBoxPrice:
        return EditCigaretteBoxPrice;
    case TField::CigaretteBoxQuantity:
        break;
    }
    return EditCigaretteBoxQuantity;
}

int TFormSetup::ShowModal() {
    if (!Wizard.PrepareShowing()) {
        return 2;
    }
    Build();
    // No control has the focus when a showing opens: the window keeps it itself, so that Qt
    // does not give it to the first control, nor keep it on the button pressed last.
    setFocus(Qt::OtherFocusReason);
    FitToScreen();
    LoadBanner();
    CenterOnPrimaryScreen(this);
    // Made where it is shown, so that the window manager's placing of it can be checked.
    winId();
    CheckPlacementWhenExposed(this);
    ApplyShapeWithoutCompositor(this, PanelShape());
    return exec();
}

void TFormSetup::FitToScreen() {
    // Noted once the controls exist: the layout as designed, which every factor applies to.
    if (!Scaler) {
        Scaler = std::make_unique<TLayoutScaler>(this);
    }
    Scaler->Apply(FitFactorOnPrimaryScreen(QSize(WindowWidth, WindowHeight)));
}

void TFormSetup::LoadBanner() {
    // Decoding and scaling the photo is most of the window's construction, and most starts
    // never show the wizard: it is done at the first showing, and again only when the window
    // is drawn at another size.
    layout()->activate();
    if (!ImageTop->pixmap().isNull() && BannerSize == ImageTop->size()) {
        return;
    }
    const QPixmap banner = QPixmap::fromImage(ReadPicture(QStringLiteral(":/images/banner.png")));
    if (banner.isNull()) {
        return;
    }
    BannerSize = ImageTop->size();
    const qreal ratio = devicePixelRatioF();
    QPixmap fitted =
        banner.scaled(ImageTop->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(ratio);
    ImageTop->setPixmap(fitted);
}

QRegion TFormSetup::PanelShape() const {
    layout()->activate();
    return QRegion(PanelTop->geometry()) + QRegion(PanelOf(Wizard.CurrentPanel)->geometry()) +
           QRegion(PanelBottom->geometry());
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

void TFormSetup::ShowPage(TPanel panel, bool previousEnabled, const std::u16string& nextText) {
    if (!Built()) {
        Pending.Page = panel;
        Pending.PreviousEnabled = previousEnabled;
        Pending.NextText = nextText;
        return;
    }
    for (const TPanel page : {TPanel::Start, TPanel::Name, TPanel::DOB, TPanel::CigaretteQuantity,
                              TPanel::CigarettePrice, TPanel::Finish}) {
        PanelOf(page)->hide();
    }
    ButtonPrevious->setEnabled(previousEnabled);
    UpdateDisabledLook(ButtonPrevious);
    ButtonNext->setText(ToQString(nextText));
    PanelOf(panel)->show();
}

void TFormSetup::FocusField(TField field) {
    if (!Built()) {
        return; // no showing yet: each opens with no control focused
    }
    EditOf(field)->setFocus();
}

std::u16string TFormSetup::FieldText(TField field) const {
    if (!Built()) {
        const auto kept = Pending.Texts.find(field);
        return kept == Pending.Texts.end() ? std::u16string() : kept->second;
    }
    return EditOf(field)->text().toStdU16String();
}

void TFormSetup::SetFieldText(TField field, const std::u16string& text) {
    if (!Built()) {
        Pending.Texts[field] = text;
        return;
    }
    EditOf(field)->setText(ToQString(text));
}

void TFormSetup::SetFieldFilter(TField field, const std::u16string& filter) {
    if (!Built()) {
        Pending.Filters[field] = filter;
        return;
    }
    EditOf(field)->FilterChar = ToQString(filter);
}

void TFormSetup::SetPrompt(TPrompt prompt, const std::u16string& text) {
    if (!Built()) {
        Pending.Prompts[prompt] = text;
        return;
    }
    QLabel* label = nullptr;
    switch (prompt) {
    case TPrompt::Username:
        label = LabelUsername;
        break;
    case TPrompt::DOB:
        label = LabelDOB;
        break;
    case TPrompt::CigaretteQuantity:
        label = LabelCigaretteQuantity;
        break;
    case TPrompt::CigaretteBoxQuantity:
        label = LabelCigaretteBoxQuantity;
        break;
    case TPrompt::CigaretteBoxPrice:
        label = LabelCigaretteBoxPrice;
        break;
    case TPrompt::StoppingDate:
        label = LabelStoppingDate;
        // A screen reader announces the calendar by its question.
        CalendarStopped->setAccessibleName(ToQString(text));
        break;
    }
    label->setText(ToQString(text));
    // A screen reader announces each field by its question.
    if (QWidget* field = label->buddy()) {
        field->setAccessibleName(label->text());
    }
}

TDateTime TFormSetup::CalendarDate() const {
    // The calendar's day is what the control makes of the date it was given.
    const_cast<TFormSetup*>(this)->Build();
    return CalendarStopped->Date();
}

void TFormSetup::SetCalendarDate(TDateTime value) {
    if (!Built()) {
        Pending.Calendar = value;
        return;
    }
    CalendarStopped->SetDate(value);
}

void TFormSetup::ShowMessage(const std::u16string& text) {
    ShowMessageBox(text);
}

void TFormSetup::EndShowing(int result) {
    done(result);
}

void TFormSetup::SetWindowCursor(TCursor cursor) {
    setCursor(QtCursor(cursor));
}

void TFormSetup::SetPanelTopCursor(TCursor cursor) {
    if (!Built()) {
        Pending.PanelTopCursor = cursor;
        return;
    }
    PanelTop->setCursor(QtCursor(cursor));
}

TPoint TFormSetup::Position() const {
    return {x(), y()};
}

void TFormSetup::MoveTo(TPoint position) {
    move(position.X, position.Y);
}

void TFormSetup::ButtonNextClick() {
    Guarded([this] { Wizard.ButtonNextClick(); });
}

void TFormSetup::ButtonPreviousClick() {
    Guarded([this] { Wizard.ButtonPreviousClick(); });
}

void TFormSetup::ButtonCancelClick() {
    Guarded([this] { Wizard.ButtonCancelClick(); });
}

void TFormSetup::reject() {
    Wizard.CloseRequested();
}

void TFormSetup::keyPressEvent(QKeyEvent* event) {
    // Skips QDialog's handling: Escape must not close the wizard and Enter must not press a
    // button; Enter acts only through the fields' release handlers.
    QWidget::keyPressEvent(event);
}

void TFormSetup::EditUsernameKeyUp(quint16 key) {
    Guarded([&] { Wizard.EditUsernameKeyUp(key); });
}

void TFormSetup::EditDOBKeyUp(quint16 key) {
    Guarded([&] { Wizard.EditDOBKeyUp(key); });
}

void TFormSetup::EditCigaretteQuantityKeyUp(quint16 key) {
    Guarded([&] { Wizard.EditCigaretteQuantityKeyUp(key); });
}

void TFormSetup::EditCigaretteBoxPriceKeyUp(quint16 key) {
    Guarded([&] { Wizard.EditCigaretteBoxPriceKeyUp(key); });
}

void TFormSetup::EditCigaretteBoxQuantityKeyUp(quint16 key) {
    Guarded([&] { Wizard.EditCigaretteBoxQuantityKeyUp(key); });
}
