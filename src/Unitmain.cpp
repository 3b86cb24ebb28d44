#include "Unitmain.h"

#include "Savings.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "conversions/Clock.h"
#include "conversions/FloatingPoint.h"
#include "framework/Application.h"
#include "framework/Image.h"
#include "framework/Timer.h"
#include "framework/WindowSystem.h"
#include "registry/Registry.h"

// The generated layout code names its window parameter after the form, as the global is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_Unitmain.h"
#pragma GCC diagnostic pop

#include <QBitmap>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QRegion>

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

    InstallFormMouseHandlers(
        this, {[this](Qt::MouseButton button, Qt::MouseButtons held, float x, float y) {
                   FormMouseDown(button, held, x, y);
               },
               [this](Qt::MouseButtons held, float x, float y) { FormMouseMove(held, x, y); },
               [this](Qt::MouseButton button, Qt::MouseButtons held, float x, float y) {
                   FormMouseUp(button, held, x, y);
               }});

    Setting = new TSetting;

    // Its construction fills the fields from the store: at a first start the first access.
    if (FormSetup == nullptr) {
        FormSetup = new TFormSetup(this);
    }

    MakeToolWindow(this);
    // Without a compositing manager the transparent parts would be drawn black.
    ApplyShapeWithoutCompositor(
        this, QRegion(QBitmap::fromImage(ImageMain->Rendered(size()).createAlphaMask())));
}

TFormMain::~TFormMain() {
    delete Layout;
}

void TFormMain::FormCreate(QObject*) {
    // A failure is shown and start-up goes on: the stored figures can then be repaired through
    // "Einstellungen", where ending the program would fail the same way at every start.
    // A store that exists but cannot be used now (another program's lock, a folder open to
    // others) is no first start: no wizard then.
    bool setupComplete = false;
    try {
        setupComplete = Setting->GetSetupCompl();
    } catch (const ERegistryUnavailable& e) {
        ReportRefreshFailure(e);
        setupComplete = true;
    } catch (const Exception& e) {
        ReportRefreshFailure(e);
    }
    if (!setupComplete && FormSetup->ShowModal() == 1) {
        Setting->SetSetupCompl(true);
    }
    Refresh();
}

void TFormMain::UpdateDisplay() {
    const TDateTime stop = Setting->GetUserStopTime();
    const TDateTime now = CurrentDateTime();
    const std::int32_t minutes = MinuteCount(WholeMinutesBetween(stop, now));
    const std::int32_t perDay = Setting->GetCigConsQty();
    CigarettesNotSmoked = CigarettesNotSmokedAfter(perDay, minutes);
    const float price = Setting->GetCigBoxPrice();
    const std::int32_t perPack = Setting->GetCigBoxQty();
    MoneySaved = MoneySavedOn(price, perPack, CigarettesNotSmoked);
    LabelMoney->setText(QString::fromStdU16String(SavingsText(CigarettesNotSmoked, MoneySaved)));
    // The label sizes itself to its text.
    LabelMoney->adjustSize();
}

void TFormMain::TimerMainTimer() {
    Guarded([this] { Refresh(); });
}

void TFormMain::Refresh() {
    try {
        if (Setting->GetSetupCompl()) {
            UpdateDisplay();
        }
        ShownFailure.clear();
    } catch (const Exception& e) {
        ReportRefreshFailure(e);
    } catch (...) {
        ReportRefreshFailure(Exception(u""));
    }
}

void TFormMain::ReportRefreshFailure(const Exception& e) {
    // A failure that persists would otherwise open a box every minute, and ticks arrive in the
    // box's own loop too.
    if (dynamic_cast<const EAbort*>(&e) != nullptr || MessageBoxShowing()) {
        return;
    }
    const std::u16string text = ExceptionMessageText(e);
    if (text == ShownFailure && !text.empty()) {
        return;
    }
    ShownFailure = text;
    Application->ShowException(e);
}

void TFormMain::MenuItemCloseClick() {
    Guarded([this] { close(); });
}

void TFormMain::MenuItemSettingsClick() {
    // The totals are not recomputed here: the next tick shows what the wizard stored.
    Guarded([] {
        if (FormSetup->ShowModal() == 1) {
            Setting->SetSetupCompl(true);
        }
    });
}

void TFormMain::FormMouseDown(Qt::MouseButton, Qt::MouseButtons, float x, float y) {
    MouseDownX = x;
    MouseDownY = y;
    setCursor(Qt::SizeAllCursor);
}

void TFormMain::FormMouseMove(Qt::MouseButtons held, float x, float y) {
    if (!held.testFlag(Qt::LeftButton)) {
        return;
    }
    // Horizontal first, then vertical, each from the position before this move: the window
    // system may not have carried out the first move when the second is computed.
    const QPoint start = pos();
    const std::int32_t left =
        TruncateToInteger(Extended(start.x()) + (Extended(x) - Extended(MouseDownX)));
    move(left, start.y());
    const std::int32_t top =
        TruncateToInteger(Extended(start.y()) + (Extended(y) - Extended(MouseDownY)));
    move(left, top);
}

void TFormMain::FormMouseUp(Qt::MouseButton, Qt::MouseButtons, float, float) {
    setCursor(Qt::ArrowCursor);
}
