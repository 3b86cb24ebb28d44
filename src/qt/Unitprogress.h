#pragma once

// "Dein Fortschritt": an ordinary framed window of standard widgets laid out in its .ui file,
// built at its first showing,
// not modal, refreshed by the ticker's minute tick while it is open.

#include "app/Progress.h"

#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QGridLayout;
class TLayoutScaler;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace Ui {
class TFormProgress;
}

// A passive view: every text and decision is the behaviour's (Progress).
class TFormProgress : public QWidget, private TProgressView {
    Q_OBJECT

public:
    explicit TFormProgress(TTicker& ticker);
    ~TFormProgress() override;

    // Shows the window on `beside`'s screen where `beside` (the ticker, above every window)
    // does not cover it, at its natural size or drawn smaller as a whole where that does not
    // fit; or raises and activates it when it is open.
    void ShowNear(QWidget* beside);

    TProgress Progress;

    QLabel* LabelSmokeFree = nullptr;
    QLabel* LabelCigarettes = nullptr;
    QLabel* LabelMoney = nullptr;
    QLabel* LabelLifeWon = nullptr;
    std::vector<QLabel*> LabelMilestones;
    std::vector<QLabel*> LabelMilestoneDays;
    std::vector<QProgressBar*> BarMilestones;
    // One line an attempt; up to a hundred of them scroll.
    QPlainTextEdit* MemoAttempts = nullptr;
    QCheckBox* CheckAutostart = nullptr;
    QPushButton* ButtonRelapse = nullptr;
    QPushButton* ButtonClose = nullptr;

public slots:
    void ButtonRelapseClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The window manager frames the window once it is shown: placed again with its frame.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // TProgressView
    void ShowTexts(const TProgressTexts& texts) override;
    bool AskYesNo(const std::u16string& question) override;
    void ShowNote(const std::u16string& note) override;
    void ShowAutostart(bool on) override;

    // A box of this window's: its title, plain text.
    void PrepareBox(QMessageBox& box, QMessageBox::Icon icon, const std::u16string& text);

    // Fitted to the screen's free area, then placed clear of the ticker, frame included.
    void FitToScreen();
    void Place();

    std::unique_ptr<Ui::TFormProgress> Layout;
    std::unique_ptr<TLayoutScaler> Scaler;
    QPointer<QWidget> Ticker;
    // Until when a move or resize of the window manager's places the window again.
    QDeadlineTimer Placing;
};
