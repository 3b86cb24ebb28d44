#include "Unitprogress.h"

#include "framework/Application.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QLabel* NewLabel(QWidget* parent, bool wrap = false) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// The bar's whole range in steps: fine enough that a minute of a 15-year span still shows.
constexpr int BarSteps = 10000;

} // namespace

TFormProgress::TFormProgress(TTicker& ticker) : QWidget(nullptr), Progress(*this, ticker) {
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(Q(ProgressTexts::Caption));
    auto* layout = new QVBoxLayout(this);

    LabelSmokeFree = NewLabel(this);
    QFont bold = LabelSmokeFree->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    LabelSmokeFree->setFont(bold);
    LabelCigarettes = NewLabel(this);
    LabelMoney = NewLabel(this);
    LabelLifeWon = NewLabel(this);
    for (QLabel* label : {LabelSmokeFree, LabelCigarettes, LabelMoney, LabelLifeWon}) {
        layout->addWidget(label);
    }

    auto* health = new QGroupBox(Q(ProgressTexts::HealthTitle), this);
    auto* grid = new QGridLayout(health);
    grid->setColumnStretch(0, 1);
    for (int i = 0; i < 8; ++i) {
        auto* text = NewLabel(health, true);
        text->setMinimumWidth(360);
        auto* day = NewLabel(health);
        auto* bar = new QProgressBar(health);
        bar->setRange(0, BarSteps);
        bar->setTextVisible(false);
        bar->setMaximumHeight(8);
        grid->addWidget(text, 2 * i, 0);
        grid->addWidget(day, 2 * i, 1, Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(bar, 2 * i + 1, 0, 1, 2);
        LabelMilestones.push_back(text);
        LabelMilestoneDays.push_back(day);
        BarMilestones.push_back(bar);
    }
    layout->addWidget(health);

    auto* attempts = new QGroupBox(Q(ProgressTexts::AttemptsTitle), this);
    MemoAttempts = new QPlainTextEdit(attempts);
    MemoAttempts->setReadOnly(true);
    MemoAttempts->setAccessibleName(Q(ProgressTexts::AttemptsTitle));
    MemoAttempts->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoAttempts->setFixedHeight(MemoAttempts->fontMetrics().lineSpacing() * 5 + 12);
    (new QVBoxLayout(attempts))->addWidget(MemoAttempts);
    layout->addWidget(attempts);

    auto* buttons = new QHBoxLayout;
    ButtonRelapse = new QPushButton(Q(ProgressTexts::ButtonRelapse), this);
    ButtonClose = new QPushButton(Q(ProgressTexts::ButtonClose), this);
    ButtonClose->setDefault(true);
    buttons->addWidget(ButtonRelapse);
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    layout->addLayout(buttons);

    connect(ButtonRelapse, &QPushButton::clicked, this, &TFormProgress::ButtonRelapseClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
}

void TFormProgress::ShowNear(QWidget* beside) {
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

bool TFormProgress::AskYesNo(const std::u16string& question) {
    QMessageBox box(this);
    box.setWindowTitle(Q(ProgressTexts::Caption));
    box.setIcon(QMessageBox::Question);
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(question));
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
