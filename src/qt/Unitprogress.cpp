#include "Unitprogress.h"

#include "framework/Application.h"

#include "ui_Unitprogress.h"

#include <QCheckBox>
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
    adjustSize();
    const QScreen* screen = beside != nullptr ? beside->screen() : nullptr;
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        const TPoint at = CenteredPosition({area.x(), area.y(), area.width(), area.height()},
                                           frameGeometry().width(), frameGeometry().height());
        move(at.X, at.Y);
    }
    show();
    raise();
    activateWindow();
    // Enter or a space bar pressed at once must not start the relapse's question.
    ButtonClose->setFocus();
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
    LabelCigarettes->setText(Q(texts.Cigarettes));
    LabelMoney->setText(Q(texts.Money));
    LabelLifeWon->setText(Q(texts.LifeWon));
    for (std::size_t i = 0; i < LabelMilestones.size(); ++i) {
        const bool shown = i < texts.Milestones.size();
        LabelMilestones[i]->setVisible(shown);
        LabelMilestoneDays[i]->setVisible(shown);
        BarMilestones[i]->setVisible(shown && texts.Milestones[i].State == TMilestoneState::Next);
        if (!shown) {
            continue;
        }
        const TMilestoneLine& m = texts.Milestones[i];
        const bool passed = m.State == TMilestoneState::Passed;
        LabelMilestones[i]->setText(Q((passed ? u"\u2713 " : u"") + m.Text));
        LabelMilestoneDays[i]->setText(Q(m.When));
        LabelMilestones[i]->setEnabled(m.State != TMilestoneState::Later);
        LabelMilestoneDays[i]->setEnabled(m.State != TMilestoneState::Later);
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
    QMessageBox box(this);
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
