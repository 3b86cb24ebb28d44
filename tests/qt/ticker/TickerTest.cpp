#include "QtSupport.h"
#include "TestClock.h"

#include "Unitmain.h"
#include "Unitprogress.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "conversions/Clock.h"
#include "conversions/StartupSettings.h"
#include "framework/Application.h"
#include "framework/Image.h"
#include "framework/Timer.h"
#include "registry/SqliteHive.h"
#include "runtime/Exceptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::u16string Totals30Days = u"    600      195,00\u20AC";

struct TFigures {
    bool complete = true;
    std::int32_t perDay = 20;
    float price = 6.5F;
    std::int32_t perPack = 20;
    double daysBeforeNow = 30;
};

class Ticker : public testing::Test {
protected:
    void SetUp() override {
        savedSettings = FormatSettings;
        FormatSettings.DecimalSeparator = u',';
    }
    void TearDown() override {
        Application->DestroyComponents();
        EXPECT_EQ(FormMain, nullptr);
        FormatSettings = savedSettings;
    }

    static void Store(const TFigures& f) {
        TSetting store;
        store.SetCigConsQty(f.perDay);
        store.SetCigBoxPrice(f.price);
        store.SetCigBoxQty(f.perPack);
        store.SetUserStopTime(EncodeLocalTime(TTestClock::Now) - f.daysBeforeNow);
        store.SetSetupCompl(f.complete);
    }

    // Starts the ticker as the program does and ends the loop once it is idle, noting what
    // the ticker showed when it had become visible.
    void Start() {
        Application->CreateForm(FormMain);
        // Polled, since a box shown during start-up runs a loop of its own first.
        QTimer started;
        started.setInterval(5);
        QObject::connect(&started, &QTimer::timeout, [this] {
            // A first-start wizard is cancelled, as a user who closes it at once.
            if (FormSetup != nullptr && QApplication::activeModalWidget() == FormSetup) {
                wizardShown = true;
                FormSetup->ButtonCancelClick();
                return;
            }
            if (Application->MainForm == nullptr || MessageBoxShowing()) {
                return;
            }
            visible = FormMain != nullptr && FormMain->isVisible();
            mainForm = Application->MainForm;
            shownText = FormMain != nullptr ? FormMain->LabelMoney->text().toStdU16String() : u"";
            Application->Terminate();
        });
        started.start();
        Application->Run();
        ASSERT_NE(FormMain, nullptr);
    }

    static std::u16string Label() { return FormMain->LabelMoney->text().toStdU16String(); }

    TFormatSettings savedSettings;
    TTestClock clock{{2024, 3, 1, 12, 0, 0, 0}};
    bool visible = false;
    bool wizardShown = false;
    QWidget* mainForm = nullptr;
    std::u16string shownText;
};

TEST_F(Ticker, WhatTheTickerShowsWhenItBecomesVisible) {
    const struct {
        const char* name;
        TFigures figures;
        std::u16string label;
        std::vector<std::u16string> boxes;
    } cases[] = {
        {"setup complete", {}, Totals30Days, {}},
        {"setup not complete", {.complete = false}, u"123", {}},
        {"pack size 0", {.perPack = 0}, u"123", {u"Gleitkommadivision durch Null."}},
        {"pack size and price 0",
         {.price = 0, .perPack = 0},
         u"123",
         {u"Ung\u00FCltige Gleitkommaoperation."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.figures);
        TBoxWatcher watcher;
        wizardShown = false;
        Start();
        EXPECT_TRUE(visible);
        EXPECT_EQ(wizardShown, !c.figures.complete);
        EXPECT_EQ(mainForm, FormMain);
        EXPECT_EQ(shownText, c.label);
        std::vector<std::u16string> boxes;
        for (const auto& box : watcher.Seen) {
            boxes.push_back(box.Text);
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(FormMain->Ticker.MoneySaved, c.label == Totals30Days ? 195.0F : 0.0F);
        Application->DestroyComponents();
    }
}

TEST_F(Ticker, AStoredValueOfTheWrongTypeIsShownOnceAndStartUpGoesOn) {
    // A SetupCompl that cannot be read counts as setup not complete, so the wizard opens;
    // its second read in start-up fails the same way and is not shown again. A pack size that
    // cannot be read is met twice: by the wizard filling its fields and by the first totals.
    const struct {
        const std::u16string* name;
        std::size_t boxes;
        bool wizard;
    } cases[] = {{&CigBoxQtyName, 2, false}, {&SetupComplName, 1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name->size());
        Store({});
        TSetting().WriteStringValue(*c.name, u"zwanzig");
        TBoxWatcher watcher;
        wizardShown = false;
        Start();
        EXPECT_TRUE(visible);
        EXPECT_EQ(wizardShown, c.wizard);
        EXPECT_EQ(shownText, u"123");
        ASSERT_EQ(watcher.Seen.size(), c.boxes);
        for (const auto& box : watcher.Seen) {
            // Ends in an apostrophe, which sorts before the full stop: none is added.
            EXPECT_EQ(box.Text, u"Fehler beim Holen der Daten f\u00FCr '" + *c.name + u"'");
        }
        Application->DestroyComponents();
    }
}

// Another program's connection that holds the hive's lock until released, and at the latest
// after `longest`, from a thread of its own: the ticker's calls block the test's thread.
class TLockHolder {
public:
    explicit TLockHolder(std::chrono::seconds longest) {
        std::mutex started;
        std::unique_lock lock(started);
        std::condition_variable ready;
        bool locked = false;
        Holder = std::thread([&, longest] {
            sqlite3* db = nullptr;
            const bool ok =
                sqlite3_open_v2(SqliteHivePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(db, "BEGIN EXCLUSIVE; UPDATE reg_key SET path = path WHERE 0", nullptr,
                             nullptr, nullptr) == SQLITE_OK;
            {
                std::lock_guard guard(started);
                locked = true;
                Locked = ok;
            }
            ready.notify_one();
            std::unique_lock wait(Mutex);
            Release.wait_for(wait, longest, [this] { return Released; });
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        ready.wait(lock, [&] { return locked; });
    }
    ~TLockHolder() { Stop(); }
    void Stop() {
        {
            std::lock_guard guard(Mutex);
            Released = true;
        }
        Release.notify_one();
        if (Holder.joinable()) {
            Holder.join();
        }
    }
    bool Locked = false;

private:
    std::mutex Mutex;
    std::condition_variable Release;
    bool Released = false;
    std::thread Holder;
};

// A store that another program keeps locked is no first start: the ticker says so once, opens
// no wizard and shows no totals; once the lock is gone, the stored figures are all there, and
// the wizard opens filled with them.
TEST_F(Ticker, AStoreLockedByAnotherProgramIsReportedOnceAndOpensNoWizard) {
    Store({});
    TSetting().SetUserName(u"Erika");
    TBoxWatcher watcher;
    wizardShown = false;
    {
        TLockHolder holder(std::chrono::seconds(30));
        ASSERT_TRUE(holder.Locked);
        QElapsedTimer took;
        took.start();
        Start();
        std::printf("start-up under the lock: %lld ms to the visible ticker\n",
                    static_cast<long long>(took.elapsed()));
        EXPECT_LT(took.elapsed(), 5000);
    }
    EXPECT_TRUE(visible);
    EXPECT_FALSE(wizardShown);
    EXPECT_EQ(shownText, u"123");
    std::vector<std::u16string> boxes;
    for (const auto& box : watcher.Seen) {
        boxes.push_back(box.Text);
    }
    EXPECT_EQ(boxes, std::vector<std::u16string>{
                         u"Die Einstellungen werden gerade von einem anderen Programm benutzt."});

    // Without the lock: the next tick shows the totals, the wizard shows the stored figures.
    FormMain->TimerMainTimer();
    EXPECT_EQ(Label(), Totals30Days);
    QTimer::singleShot(50, [] {
        if (FormSetup != nullptr) {
            FormSetup->ButtonCancelClick();
        }
    });
    ASSERT_NE(FormSetup, nullptr);
    FormSetup->ShowModal();
    EXPECT_EQ(FormSetup->EditUsername->text(), QStringLiteral("Erika"));
    EXPECT_EQ(FormSetup->EditCigaretteQuantity->text(), QStringLiteral("20"));
    EXPECT_EQ(watcher.Seen.size(), 1u);
}

// At start-up the label's sizing waits until the window is shown (measuring text loads the
// font); it still fits the totals by the time the label is first drawn.
TEST_F(Ticker, TheLabelFitsTheTotalsWhenFirstDrawn) {
    class TFirstPaint : public QObject {
    public:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && !Seen &&
                watched->objectName() == QLatin1String("LabelMoney")) {
                const auto* label = static_cast<QLabel*>(watched);
                Seen = true;
                Text = label->text().toStdU16String();
                Size = label->size();
                Hint = label->sizeHint();
            }
            return false;
        }
        bool Seen = false;
        std::u16string Text;
        QSize Size, Hint;
    } firstPaint;
    qApp->installEventFilter(&firstPaint);
    Store({});
    Start();
    QElapsedTimer waited;
    waited.start();
    while (!firstPaint.Seen && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    qApp->removeEventFilter(&firstPaint);
    ASSERT_TRUE(firstPaint.Seen);
    EXPECT_EQ(firstPaint.Text, Totals30Days);
    EXPECT_EQ(firstPaint.Size, firstPaint.Hint);
    EXPECT_LT(firstPaint.Size.width(), 266); // narrower than laid out: it was sized
}

// The arithmetic and the text are the app layer's; here, that they reach the label.
TEST_F(Ticker, UpdateDisplayWritesTheTotalsToTheLabel) {
    Store({.complete = false});
    Start();
    Store({.perDay = 1, .price = 4, .daysBeforeNow = 1.5});
    FormMain->UpdateDisplay();
    EXPECT_EQ(Label(), u"      2        0,30\u20AC");
    EXPECT_EQ(FormMain->LabelMoney->size(), FormMain->LabelMoney->sizeHint());
}

TEST_F(Ticker, ATickWhileABoxIsOpenOpensNoSecondBox) {
    Store({});
    Start();
    Store({.perPack = 0});
    {
        TBoxWatcher watcher([] {
            Store({.price = 0, .perPack = 0}); // a different message, still no second box
            FormMain->TimerMainTimer();
        });
        FormMain->TimerMainTimer();
        ASSERT_EQ(watcher.Seen.size(), 1U);
        EXPECT_EQ(watcher.Seen[0].Text, u"Gleitkommadivision durch Null.");
    }
    // The one not shown then is shown at the next tick.
    TBoxWatcher later;
    FormMain->TimerMainTimer();
    ASSERT_EQ(later.Seen.size(), 1U);
    EXPECT_EQ(later.Seen[0].Text, u"Ung\u00FCltige Gleitkommaoperation.");
}

TEST_F(Ticker, TimerMainRefreshesOnceAMinute) {
    Store({.complete = false});
    Start();
    EXPECT_EQ(FormMain->TimerMain->interval(), 60000);
    EXPECT_TRUE(FormMain->TimerMain->isActive());
    EXPECT_FALSE(FormMain->TimerMain->isSingleShot());

    Store({});
    FormMain->TimerMain->setInterval(5); // bound to TimerMainTimer: let it fire now
    QElapsedTimer waited;
    waited.start();
    while (Label() == u"123" && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(Label(), Totals30Days);
}

TEST_F(Ticker, TheWindowAsLaidOut) {
    Store({.complete = false});
    Start();
    TFormMain* form = FormMain;
    EXPECT_EQ(form->windowTitle(), QStringLiteral("FormMain"));
    EXPECT_EQ(form->size(), QSize(286, 29));
    EXPECT_EQ(form->pos(), CenteredOnPrimaryScreen(QSize(286, 29)));
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form->windowType(), Qt::Tool);
    EXPECT_TRUE(form->testAttribute(Qt::WA_TranslucentBackground));

    EXPECT_EQ(form->ImageMain->geometry(), QRect(0, 0, 286, 29));
    EXPECT_EQ(form->ImageMain->Source(), QStringLiteral(":/images/cigarette.png"));
    const QImage picture = form->ImageMain->Rendered(QSize(286, 29));
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0);     // transparent around the cigarette
    EXPECT_EQ(picture.pixelColor(40, 14).alpha(), 255); // the filter

    QLabel* label = form->LabelMoney;
    EXPECT_EQ(label->pos(), QPoint(0, 6));
    EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(label->wordWrap());
    EXPECT_EQ(label->font().pixelSize(), 18);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().families().value(0), QStringLiteral("Lucida Console"));
    // The text black at 0.8 opacity: its fully covered pixels are.
    QImage text(label->size(), QImage::Format_ARGB32);
    text.fill(Qt::transparent);
    label->render(&text, QPoint(), QRegion(), QWidget::RenderFlags());
    QColor darkest(Qt::transparent);
    for (int y = 0; y < text.height(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            if (text.pixelColor(x, y).alpha() > darkest.alpha()) {
                darkest = text.pixelColor(x, y);
            }
        }
    }
    EXPECT_NEAR(darkest.alpha(), 204, 1);
    EXPECT_EQ(darkest.rgb() & 0xFFFFFF, 0U);
    // Drawn above the picture.
    EXPECT_GT(form->children().indexOf(label), form->children().indexOf(form->ImageMain));
}

TEST_F(Ticker, TheMenuOffersBeendenThenEinstellungen) {
    Store({.complete = false});
    Start();
    std::vector<QString> texts;
    for (const QAction* action : FormMain->PopupMenu->actions()) {
        texts.push_back(action->text());
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    EXPECT_EQ(texts,
              (std::vector<QString>{QStringLiteral("Beenden"), QStringLiteral("Einstellungen")}));
    EXPECT_EQ(FormMain->PopupMenu->actions().value(0), FormMain->MenuItemClose);
    EXPECT_EQ(FormMain->PopupMenu->actions().value(1), FormMain->MenuItemSettings);
}

TEST_F(Ticker, BeendenEndsTheLoop) {
    Store({});
    Application->CreateForm(FormMain);
    QTimer::singleShot(0, [] { FormMain->MenuItemClose->trigger(); });
    Application->Run(); // returns once the loop has ended
    EXPECT_TRUE(Application->IsTerminated());
    ASSERT_NE(FormMain, nullptr);
    EXPECT_TRUE(FormMain->isHidden());
}

class Dragging : public Ticker {
protected:
    void SetUp() override {
        Ticker::SetUp();
        Store({.complete = false});
        Start();
    }

    // A mouse event over the picture, at a client position of the ticker.
    static void Send(QEvent::Type type, QPointF client, Qt::MouseButton button,
                     Qt::MouseButtons held) {
        const QPointF global = client + QPointF(FormMain->geometry().topLeft());
        QMouseEvent event(type, client, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(FormMain->ImageMain, &event);
    }
};

TEST_F(Dragging, OnlyWhileTheLeftButtonIsHeld) {
    const struct {
        Qt::MouseButton pressed;
        Qt::MouseButtons held;
        QPoint expected;
    } cases[] = {
        {Qt::LeftButton, Qt::LeftButton, {125, 112}},
        {Qt::LeftButton, Qt::LeftButton | Qt::RightButton, {125, 112}},
        {Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton, {125, 112}},
        {Qt::RightButton, Qt::RightButton, {100, 100}},
        {Qt::MiddleButton, Qt::MiddleButton, {100, 100}},
        {Qt::LeftButton, Qt::NoButton, {100, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "held " << c.held.toInt());
        FormMain->move(100, 100);
        Send(QEvent::MouseButtonPress, {10, 5}, c.pressed, c.pressed);
        FormMain->PopupMenu->hide();                             // the right button opened it
        Send(QEvent::MouseMove, {35, 17}, Qt::NoButton, c.held); // past the drag threshold
        EXPECT_EQ(FormMain->pos(), c.expected);
        Send(QEvent::MouseButtonRelease, {35, 17}, c.pressed, Qt::NoButton);
    }
}

TEST_F(Dragging, ThePressedPointStaysUnderThePointer) {
    FormMain->move(500, 400);
    Send(QEvent::MouseButtonPress, {40, 14}, Qt::LeftButton, Qt::LeftButton);
    // Each move is relative to where the window is after the one before.
    for (int step = 1; step <= 5; ++step) {
        const QPoint pointer(500 + 40 + 30 * step, 400 + 14 - 18 * step);
        Send(QEvent::MouseMove, QPointF(pointer - FormMain->pos()), Qt::NoButton, Qt::LeftButton);
    }
    EXPECT_EQ(FormMain->pos(), QPoint(650, 310));
}

TEST_F(Dragging, CursorAndMenuFollowThePresses) {
    Send(QEvent::MouseButtonPress, {30, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(FormMain->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_FALSE(FormMain->PopupMenu->isVisible());
    Send(QEvent::MouseButtonRelease, {30, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(FormMain->cursor().shape(), Qt::ArrowCursor);

    // A right press is a press like any other, then opens the menu at the pointer.
    Send(QEvent::MouseButtonPress, {120, 20}, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(FormMain->Ticker.MouseDownX, 120.0F);
    EXPECT_EQ(FormMain->Ticker.MouseDownY, 20.0F);
    EXPECT_EQ(FormMain->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_TRUE(FormMain->PopupMenu->isVisible());
    EXPECT_EQ(FormMain->PopupMenu->pos(), FormMain->pos() + QPoint(120, 20));
    FormMain->PopupMenu->hide();
    // The picture keeps its own arrow whatever the window's cursor property says.
    EXPECT_EQ(FormMain->ImageMain->cursor().shape(), Qt::ArrowCursor);
}

// A double-click as the window system delivers it: press, release, double-click, release.
TEST_F(Ticker, ADoubleClickOpensDeinFortschrittBesideTheTicker) {
    Store({});
    Start();
    const auto doubleClick = [] {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, QPointF(40, 10), FormMain->mapToGlobal(QPointF(40, 10)),
                              Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(FormMain->ImageMain, &event);
        }
    };
    EXPECT_EQ(FormMain->FormProgress, nullptr); // built at its first showing only
    doubleClick();
    TFormProgress* progress = FormMain->FormProgress;
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowTitle(), QString::fromUtf8("Dein Fortschritt"));
    EXPECT_EQ(progress->windowType(), Qt::Window); // a task bar entry, unlike the ticker
    EXPECT_FALSE(progress->windowFlags() & (Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(progress->isModal());
    EXPECT_EQ(progress->LabelSmokeFree->text(),
              QString::fromUtf8("Rauchfrei seit 31.01.2024, 30 Tage, 0 Stunden"));
    EXPECT_EQ(progress->LabelCigarettes->text(),
              QString::fromUtf8("600 Zigaretten nicht geraucht"));
    EXPECT_EQ(progress->ButtonClose->text(), QString::fromUtf8("Schlie\u00DFen"));
    EXPECT_EQ(progress->screen(), FormMain->screen());

    // The minute tick refreshes it; the next milestone's bar moves with it.
    const int before = progress->BarMilestones[4]->value();
    TTestClock::Now.Day = 2; // a day on
    FormMain->TimerMainTimer();
    EXPECT_EQ(progress->LabelCigarettes->text(),
              QString::fromUtf8("620 Zigaretten nicht geraucht"));
    EXPECT_GT(progress->BarMilestones[4]->value(), before);

    doubleClick(); // brought to the front: the same window
    EXPECT_EQ(FormMain->FormProgress, progress);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(progress, &escape);
    EXPECT_FALSE(progress->isVisible());
}

} // namespace

TEST_F(Ticker, RestingThePointerShowsHowLongSmokeFreeAsATooltip) {
    Store({});
    Start();
    const QPoint over = FormMain->ImageMain->mapToGlobal(QPoint(150, 14));
    QHelpEvent help(QEvent::ToolTip, QPoint(150, 14), over);
    QApplication::sendEvent(FormMain->ImageMain, &help);
    const QString text = QString::fromStdU16String(FormMain->Ticker.TooltipText());
    EXPECT_TRUE(text.startsWith("30 Tage, 0 Stunden rauchfrei.\nAm ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\nDoppelklick zeigt deinen Fortschritt.")) << text.toStdString();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), text);
    EXPECT_EQ(FormMain->accessibleDescription(), text); // what a screen reader reads
    QToolTip::hideText();

    Store({.complete = false}); // no tooltip until setup is complete
    QHelpEvent again(QEvent::ToolTip, QPoint(150, 14), over);
    QApplication::sendEvent(FormMain->ImageMain, &again);
    EXPECT_FALSE(again.isAccepted());
    EXPECT_TRUE(FormMain->accessibleDescription().isEmpty());
}
