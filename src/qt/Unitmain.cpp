#include "Unitmain.h"

#include "Unitprogress.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "framework/Application.h"
#include "framework/Image.h"
#include "framework/Notice.h"
#include "framework/Timer.h"
#include "framework/WindowSystem.h"

// The generated layout code names its window parameter after the form, as the global is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_Unitmain.h"
#pragma GCC diagnostic pop

#include <QApplication>
#include <QBitmap>
#include <QDeadlineTimer>
#include <QFont>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QRegion>
#include <QStyleHints>
#include <QToolTip>
#include <QWindow>

TFormMain* FormMain = nullptr;

TFormMain::TFormMain(TApplication*) : QWidget(nullptr), Layout(new Ui::TFormMain) {
    // The layout; TimerMain starts counting as it is created.
    Layout->setupUi(this);
    TimerMain = Layout->TimerMain;
    PopupMenu = Layout->PopupMenu;
    MenuItemClose = Layout->MenuItemClose;
    MenuItemSettings = Layout->MenuItemSettings;
    LabelMoney = Layout->LabelMoney;
    ImageMain = Layout->ImageMain;

    // Borderless, per-pixel transparent, above all windows; set before the platform window
    // exists, since Qt chooses its visual from them.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    // Least and greatest size its own, so that tiling window managers, which float such a window,
    // keep its size rather than stretch it to their least floating size.
    setFixedSize(size());
    // The ticker is hardly ever the active window; its tooltip shows all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    QFont font;
    // Where Lucida Console is missing, a monospace font of the same width keeps the count on
    // the filter and the amount on the paper.
    font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setBold(true);
    font.setPixelSize(18);
    LabelMoney->setFont(font);
    LabelMoney->setAttribute(Qt::WA_TransparentForMouseEvents);
    ImageMain->SetPopupMenu(PopupMenu);

    InstallFormMouseHandlers(this,
                             {[this](Qt::MouseButton button, Qt::MouseButtons, float x, float y) {
                                  Ticker.FormMouseDown(x, y, button == Qt::LeftButton);
                              },
                              [this](Qt::MouseButtons held, float x, float y) {
                                  Ticker.FormMouseMove(held.testFlag(Qt::LeftButton), x, y);
                              },
                              [this](Qt::MouseButton button, Qt::MouseButtons, float, float) {
                                  Ticker.FormMouseUp(button == Qt::LeftButton);
                              }});

    Setting = new TSetting;

    // Its construction fills the fields from the store: at a first start the first access.
    if (FormSetup == nullptr) {
        FormSetup = new TFormSetup(this);
    }

    // The platform window is made where it will be shown: some window managers (weston's) place a
    // window where it was made and set aside the moves it asks for before it is shown.
    CenterOnPrimaryScreen(this);
    MakeToolWindow(this);
    // Without a compositing manager the transparent parts would be drawn black: the window is cut
    // to the picture then, and follows when one starts or stops. Only without one is the picture
    // decoded before the window is mapped; with one it waits for the first paint.
    const bool compositing = CompositorRunning();
    if (!compositing) {
        setMask(Shape());
    }
    FollowCompositor(this, compositing, [this](bool running) {
        if (running) {
            clearMask();
        } else {
            setMask(Shape());
        }
        update();
    });
}

TFormMain::~TFormMain() {
    delete FormProgress;
}

QRegion TFormMain::Shape() const {
    return QRegion(QBitmap::fromImage(ImageMain->Rendered(size()).createAlphaMask()));
}

void TFormMain::FormCreate(QObject*) {
    Ticker.FormCreate();
}

void TFormMain::TimerMainTimer() {
    Guarded([this] { Ticker.TimerMainTimer(); });
}

void TFormMain::MenuItemCloseClick() {
    Guarded([this] { Ticker.MenuItemCloseClick(); });
}

void TFormMain::MenuItemSettingsClick() {
    Guarded([this] { Ticker.MenuItemSettingsClick(); });
}

bool TFormMain::event(QEvent* event) {
    if (event->type() == QEvent::Show && LabelSizePending && windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    // Read when the pointer rests, so there is no timer of its own and no wake-up.
    const QString text = QString::fromStdU16String(Ticker.TooltipText());
    setAccessibleDescription(text);
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
    }
    return true;
}

TPoint TFormMain::Position() const {
    // The platform window's place follows the window manager's answers; the widget keeps the
    // place last asked for where a window manager refuses a move.
    const QPoint at = windowHandle() != nullptr ? windowHandle()->position() : pos();
    return {at.x(), at.y()};
}

void TFormMain::MoveTo(TPoint position) {
    move(position.X, position.Y);
}

TPoint TFormMain::DragThreshold() const {
    const int distance = QGuiApplication::styleHints()->startDragDistance();
    return {distance, distance};
}

bool TFormMain::StartSystemMove() {
    return windowHandle() != nullptr && windowHandle()->startSystemMove();
}

bool TFormMain::OwnMovesIgnored() const {
    return WindowManagerIgnoresMoves();
}

void TFormMain::SetLabelText(const std::u16string& text) {
    LabelMoney->setText(QString::fromStdU16String(text));
    // The label sizes itself to its text. Measuring text loads the fonts, a good part of
    // start-up's work; done right after the window is shown, it competes with the window
    // manager's mapping of it and delays the map. Until the window is exposed, the sizing waits
    // for that, which comes just before the first paint.
    QWindow* window = windowHandle();
    if (window != nullptr && window->isExposed()) {
        LabelMoney->adjustSize();
        return;
    }
    LabelSizePending = true;
    if (window != nullptr && isVisible()) {
        window->installEventFilter(this);
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle() && LabelSizePending &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        LabelSizePending = false;
        LabelMoney->adjustSize();
    }
    return QWidget::eventFilter(watched, event);
}

int TFormMain::ShowSetupModal() {
    return FormSetup->ShowModal();
}

void TFormMain::ShowException(const Exception& e) {
    Application->ShowException(e);
}

bool TFormMain::MessageBoxShowing() const {
    return ::MessageBoxShowing();
}

void TFormMain::Close() {
    close();
}

void TFormMain::SetCursor(TCursor cursor) {
    setCursor(QtCursor(cursor));
}

std::uint32_t TFormMain::MouseEventTime() const {
    // The handlers run as the event arrives, so the steady clock stands for its time.
    return static_cast<std::uint32_t>(QDeadlineTimer::current().deadline());
}

std::uint32_t TFormMain::DoubleClickTime() const {
    return static_cast<std::uint32_t>(QApplication::doubleClickInterval());
}

TPoint TFormMain::DoubleClickDistance() const {
    const int distance = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    return {distance, distance};
}

void TFormMain::ShowProgress() {
    if (FormProgress == nullptr) {
        FormProgress = new TFormProgress(Ticker);
    }
    FormProgress->ShowNear(this);
}

void TFormMain::RefreshProgress() {
    if (FormProgress != nullptr && FormProgress->isVisible()) {
        FormProgress->Progress.Refresh();
    }
}

void TFormMain::ShowNotice(const std::u16string& text) {
    ::ShowNotice(this, QString::fromStdU16String(NoticeTitle), QString::fromStdU16String(text),
                 [this] { Guarded([this] { Ticker.NoticeClick(); }); });
}
