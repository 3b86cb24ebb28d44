#include "Unitprogress.h"

#include "framework/Application.h"
#include "framework/Fitting.h"

#include "ui_Unitprogress.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// The bar's whole range in steps (the layout's maximum): fine enough that a minute of a
// 15-year span still shows.
constexpr int BarSteps = 10000;

const QScreen* ScreenOf(const QWidget* ticker) {
    const QScreen* screen = ticker != nullptr ? ticker->screen() : nullptr;
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

// What a window of ours keeps clear of: the ticker where it shows, frame included.
TRect TickerRect(const QWidget* ticker) {
    return ticker != nullptr && ticker->isVisible() ? ToRect(ticker->frameGeometry()) : TRect{};
}

// Where a window of ours goes: clear of the ticker on its screen, frame included.
void PlaceClearOf(QWidget* window, const QWidget* ticker) {
    const QScreen* screen = ScreenOf(ticker);
    if (screen == nullptr) {
        return;
    }
    const QSize size = window->frameGeometry().size();
    const TPoint at = PlacedClearOf(ToRect(screen->geometry()), ToRect(screen->availableGeometry()),
                                    size.width(), size.height(), TickerRect(ticker));
    if (window->frameGeometry().topLeft() != QPoint(at.X, at.Y)) {
        window->move(at.X, at.Y);
    }
}

// The relapse's question, placed where the ticker does not cover its buttons.
class TQuestionBox : public QMessageBox {
public:
    TQuestionBox(QWidget* parent, const QWidget* ticker) : QMessageBox(parent), Ticker(ticker) {}

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        PlaceClearOf(this, Ticker);
    }
    void resizeEvent(QResizeEvent* event) override {
        QMessageBox::resizeEvent(event);
        PlaceClearOf(this, Ticker);
    }

private:
    QPointer<const QWidget> Ticker;
};

} // namespace

TFormProgress::TFormProgress(TTicker& ticker)
    : QWidget(nullptr), Progress(*this, ticker), Layout(new Ui::TFormProgress) {
    Layout->setupUi(this);
    LabelSmokeFree = Layout->LabelSmokeFree;
    LabelCigarettes = Layout->LabelCigarettes;
    LabelMoney = Layout->LabelMoney;
    LabelLifeWon = Layout->LabelLifeWon;
    LabelMilestones = {Layout->LabelMilestone1, Layout->LabelMilestone2, Layout->LabelMilestone3,
                       Layout->LabelMilestone4, Layout->LabelMilestone5, Layout->LabelMilestone6,
                       Layout->LabelMilestone7, Layout->LabelMilestone8};
    LabelMilestoneDays = {Layout->LabelMilestoneDay1, Layout->LabelMilestoneDay2,
                          Layout->LabelMilestoneDay3, Layout->LabelMilestoneDay4,
                          Layout->LabelMilestoneDay5, Layout->LabelMilestoneDay6,
                          Layout->LabelMilestoneDay7, Layout->LabelMilestoneDay8};
    BarMilestones = {Layout->BarMilestone1, Layout->BarMilestone2, Layout->BarMilestone3,
                     Layout->BarMilestone4, Layout->BarMilestone5, Layout->BarMilestone6,
                     Layout->BarMilestone7, Layout->BarMilestone8};
    MemoAttempts = Layout->MemoAttempts;
    ButtonRelapse = Layout->ButtonRelapse;
    ButtonClose = Layout->ButtonClose;

    // The headline a size above the rest, whatever the desktop's font is.
    QFont headline = LabelSmokeFree->font();
    headline.setPointSizeF(headline.pointSizeF() * 1.2);
    LabelSmokeFree->setFont(headline);
    MemoAttempts->setFixedHeight(MemoAttempts->fontMetrics().lineSpacing() * 5 + 12);
    // Enter presses the focused button, whichever it is, as the space bar does.
    ButtonRelapse->setAutoDefault(true);
    ButtonClose->setAutoDefault(true);

    // Above the buttons, the window's last row of settings.
    CheckAutostart = new QCheckBox(QStringLiteral("Pelwick bei der Anmeldung starten"), this);
    Layout->LayoutForm->insertWidget(Layout->LayoutForm->indexOf(Layout->LayoutButtons),
                                     CheckAutostart);
    setTabOrder(MemoAttempts, CheckAutostart);
    connect(CheckAutostart, &QCheckBox::clicked, this,
            [this](bool on) { Guarded([this, on] { Progress.CheckAutostartClick(on); }); });

    connect(ButtonRelapse, &QPushButton::clicked, this, &TFormProgress::ButtonRelapseClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
}

TFormProgress::~TFormProgress() = default;

void TFormProgress::ShowNear(QWidget* beside) {
    Ticker = beside;
    Progress.ShowAutostart();
    if (isVisible()) {
        if (isMinimized()) {
            showNormal();
        }
        raise();
        activateWindow();
        return;
    }
    Progress.Refresh();
    FitToScreen();
    Place();
    Placing.setRemainingTime(2000);
    show();
    raise();
    activateWindow();
    // Enter or a space bar pressed at once must not start the relapse's question.
    ButtonClose->setFocus();
}

void TFormProgress::FitToScreen() {
    const QScreen* screen = ScreenOf(Ticker);
    if (screen == nullptr) {
        return;
    }
    // The frame is known once the window was shown; before, the title bar is reckoned at two
    // lines of text.
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty()) {
        frame = QSize(8, fontMetrics().height() * 2 + 8);
    }
    const auto natural = [this] {
        layout()->activate();
        QSize size = sizeHint();
        if (layout()->hasHeightForWidth()) {
            size.setHeight(layout()->totalHeightForWidth(size.width()));
        }
        return size;
    };
    // Its natural size, not Qt's two thirds of the screen; a larger one only where it does
    // not fit, drawn smaller as a whole. The wrapped lines wrap anew at each size.
    setMinimumSize(0, 0);
    if (Scaler) {
        Scaler->Apply(1.0); // as designed again: this screen may have room for it
    }
    QSize size = natural();
    const auto fitInto = [&](const TRect& area) {
        for (int round = 0; round < 4; ++round) {
            const double factor =
                FitFactor(area, size.width() + frame.width(), size.height() + frame.height());
            if (factor >= 1.0) {
                break;
            }
            if (!Scaler) {
                // In pixels, so that every text scales with the layout.
                for (QWidget* widget : findChildren<QWidget*>()) {
                    QFont font = widget->font();
                    font.setPixelSize(QFontInfo(font).pixelSize());
                    widget->setFont(font);
                }
                Scaler = std::make_unique<TLayoutScaler>(this);
            }
            Scaler->Apply(Scaler->Factor() * factor);
            size = natural();
        }
    };
    const TRect area = ToRect(screen->availableGeometry());
    fitInto(area);
    // A little smaller still where that lets it lie beside the ticker rather than under it.
    const TRect room = RoomClearOf(ToRect(screen->geometry()), area, size.width() + frame.width(),
                                   size.height() + frame.height(), TickerRect(Ticker),
                                   devicePixelRatio() * (Scaler ? Scaler->Factor() : 1.0));
    if (room != area) {
        fitInto(room);
    }
    // Never smaller than what holds every line.
    setMinimumSize(size);
    resize(size);
}

void TFormProgress::Place() {
    PlaceClearOf(this, Ticker);
}

void TFormProgress::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!Placing.hasExpired()) {
        Place();
    }
}

void TFormProgress::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!Placing.hasExpired()) {
        Place();
    }
}

void TFormProgress::ButtonRelapseClick() {
    Guarded([this] { Progress.ButtonRelapseClick(); });
}

void TFormProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormProgress::ShowTexts(const TProgressTexts& texts) {
    LabelSmokeFree->setText(Q(texts.SmokeFree));
    for (const auto& [label, text] :
         {std::pair{LabelCigarettes, &texts.Cigarettes}, std::pair{LabelMoney, &texts.Money},
          std::pair{LabelLifeWon, &texts.LifeWon}}) {
        label->setText(Q(*text));
        label->setVisible(!text->empty());
    }
    for (std::size_t i = 0; i < LabelMilestones.size(); ++i) {
        const bool shown = i < texts.Milestones.size();
        LabelMilestones[i]->setVisible(shown);
        LabelMilestoneDays[i]->setVisible(shown);
        BarMilestones[i]->setVisible(shown && texts.Milestones[i].State == TMilestoneState::Next);
        if (!shown) {
            continue;
        }
        const TMilestoneLine& m = texts.Milestones[i];
        LabelMilestones[i]->setText(Q(MilestoneLabel(m)));
        LabelMilestoneDays[i]->setText(Q(m.When));
        // Told apart by marks, weight and dates; every line in the text colour.
        for (QLabel* label : {LabelMilestones[i], LabelMilestoneDays[i]}) {
            QFont font = label->font();
            font.setBold(m.State == TMilestoneState::Next);
            label->setFont(font);
        }
        BarMilestones[i]->setValue(static_cast<int>(m.Fraction * BarSteps));
        BarMilestones[i]->setAccessibleName(Q(m.Text));
    }
    QStringList attempts;
    for (const std::u16string& line : texts.Attempts) {
        attempts.append(Q(line));
    }
    const QString joined = attempts.join(QLatin1Char('\n'));
    // Set only when changed, so that a minute's tick keeps where the user scrolled to.
    if (MemoAttempts->toPlainText() != joined) {
        MemoAttempts->setPlainText(joined);
    }
    ButtonRelapse->setEnabled(texts.RelapseEnabled);
}

void TFormProgress::ShowAutostart(bool on) {
    CheckAutostart->setChecked(on);
}

void TFormProgress::PrepareBox(QMessageBox& box, QMessageBox::Icon icon,
                               const std::u16string& text) {
    box.setWindowTitle(windowTitle());
    box.setIcon(icon);
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(text));
}

bool TFormProgress::AskYesNo(const std::u16string& question) {
    TQuestionBox box(this, Ticker);
    PrepareBox(box, QMessageBox::Question, question);
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void TFormProgress::ShowNote(const std::u16string& note) {
    QMessageBox box(this);
    PrepareBox(box, QMessageBox::Information, note);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}
