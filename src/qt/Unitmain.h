#pragma once

// The ticker: a borderless cigarette floating above all windows, with the cigarettes not
// smoked and the money saved since the stop date written across it, refreshed once a minute.

#include "app/Ticker.h"

#include <QRegion>
#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class TApplication;
class TImage;
class TTimer;
class TFormProgress;

namespace Ui {
class TFormMain;
}

// A passive view: every decision is the behaviour's (Ticker), this class only draws and
// forwards Qt's events.
class TFormMain : public QWidget, private TTickerView {
    Q_OBJECT

public:
    explicit TFormMain(TApplication* owner);
    ~TFormMain() override;

    // Computes the totals from the stored figures and the clock and shows them.
    void UpdateDisplay() { Ticker.UpdateDisplay(); }

    // The creation notification, the last act of construction.
    void FormCreate(QObject* sender);

    TTimer* TimerMain = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* MenuItemClose = nullptr;
    QAction* MenuItemSettings = nullptr;
    QLabel* LabelMoney = nullptr;
    TImage* ImageMain = nullptr;
    // "Dein Fortschritt", built at its first showing.
    TFormProgress* FormProgress = nullptr;

    // The behaviour; it keeps MouseDownX, MouseDownY, CigarettesNotSmoked and MoneySaved.
    TTicker Ticker{*this};

public slots:
    void TimerMainTimer();
    void MenuItemCloseClick();
    void MenuItemSettingsClick();

protected:
    // The tooltip: how long smoke-free and the next milestone, made as it opens.
    bool event(QEvent* event) override;
    // The label's size waits for the window's exposure.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // TTickerView
    TPoint Position() const override;
    void MoveTo(TPoint position) override;
    TPoint DragThreshold() const override;
    bool StartSystemMove() override;
    bool OwnMovesIgnored() const override;
    void SetLabelText(const std::u16string& text) override;
    int ShowSetupModal() override;
    void ShowException(const Exception& e) override;
    bool MessageBoxShowing() const override;
    void Close() override;
    void SetCursor(TCursor cursor) override;
    std::uint32_t MouseEventTime() const override;
    std::uint32_t DoubleClickTime() const override;
    TPoint DoubleClickDistance() const override;
    void ShowProgress() override;
    void RefreshProgress() override;
    void ShowNotice(const std::u16string& text) override;

    // The window cut to the picture, for when no compositing manager draws transparency.
    QRegion Shape() const;

    std::unique_ptr<Ui::TFormMain> Layout;
    bool LabelSizePending = false;
};

extern TFormMain* FormMain;
