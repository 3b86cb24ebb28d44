#pragma once

// The ticker: a borderless cigarette floating above all windows, with the cigarettes not
// smoked and the money saved since the stop date written across it, refreshed once a minute.

#include <QWidget>

#include <string>

class QAction;
class QLabel;
class QMenu;
class TApplication;
class TImage;
class TTimer;

namespace Ui {
class TFormMain;
}

class TFormMain : public QWidget {
    Q_OBJECT

public:
    explicit TFormMain(TApplication* owner);
    ~TFormMain() override;

    // Computes the totals from the stored figures and the clock and shows them.
    void UpdateDisplay();

    // The creation notification, the last act of construction.
    void FormCreate(QObject* sender);

    TTimer* TimerMain = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* MenuItemClose = nullptr;
    QAction* MenuItemSettings = nullptr;
    QLabel* LabelMoney = nullptr;
    TImage* ImageMain = nullptr;

    float MouseDownX = 0;
    float MouseDownY = 0;
    float CigarettesNotSmoked = 0;
    float MoneySaved = 0;

public slots:
    void TimerMainTimer();
    void MenuItemCloseClick();
    void MenuItemSettingsClick();

private:
    void FormMouseDown(Qt::MouseButton button, Qt::MouseButtons held, float x, float y);
    void FormMouseMove(Qt::MouseButtons held, float x, float y);
    void FormMouseUp(Qt::MouseButton button, Qt::MouseButtons held, float x, float y);

    // The totals when setup is complete; a failure is reported, never passed on.
    void Refresh();

    // Shows a failed refresh unless a message box is open already or the same message was
    // shown for an earlier failure with no success since.
    void ReportRefreshFailure(const class Exception& e);

    Ui::TFormMain* Layout;
    std::u16string ShownFailure;
};

extern TFormMain* FormMain;
