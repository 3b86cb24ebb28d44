// The window itself: what it shows after creation, what typing and pasting put into its
// fields, and dragging it.

#include "WizardFixture.h"
#include "framework/Application.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QCursor>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPalette>
#include <QScreen>
#include <QTableView>
#include <QToolButton>

namespace {

struct TFillCase {
    const char* Name;
    std::function<void()> Store;
    QStringList Texts; // name, birth year, per day, per pack, price
    double Day;
    QStringList Messages;
};

} // namespace

TEST_F(WizardTest, CreationFillsTheFieldsFromTheStore) {
    const double declaredDay = 42015; // 11 January 2015
    const TFillCase cases[] = {
        {"nothing stored", [] {}, {"", "", "0", "0", "0"}, FixedToday, {}},
        {"everything stored",
         [] {
             Setting->SetUserName(u"Anna");
             Setting->SetUserDOB(u"1980");
             Setting->SetCigConsQty(20);
             Setting->SetCigBoxQty(19);
             Setting->SetCigBoxPrice(5.3f);
             Setting->SetUserStopTime(42005.75); // a time of day is dropped
         },
         {"Anna", "1980", "20", "19", "5,30000019073486"},
         42005,
         {}},
        {"pack count of the wrong type ends the guarded part",
         [] {
             Setting->SetUserName(u"Anna");
             Setting->SetCigConsQty(20);
             Setting->SetCigBoxPrice(4.5f);
             Setting->WriteStringValue(CigBoxQtyName, u"ab");
         },
         {"Anna", "", "20", "", ""},
         declaredDay,
         {"Fehler beim Holen der Daten f\u00FCr 'CigBoxQty'"}},
        {"stop day of the wrong type",
         [] { Setting->WriteIntegerValue(UserStopTimeName, 5); },
         {"", "", "0", "0", "0"},
         declaredDay,
         {"Ung\u00FCltiger Datentyp f\u00FCr 'UserStopTime'"}},
        // A bad name or birth year must not end the program at every start.
        {"name of the wrong type",
         [] {
             Setting->WriteIntegerValue(UserNameName, 7);
             Setting->SetUserDOB(u"1980");
             Setting->SetCigConsQty(20);
         },
         {"", "1980", "20", "0", "0"},
         FixedToday,
         {"Ung\u00FCltiger Datentyp f\u00FCr 'UserName'"}},
        {"name and birth year of the wrong type",
         [] {
             Setting->WriteIntegerValue(UserNameName, 7);
             Setting->WriteFloatValue(UserDOBName, 1.5f);
         },
         {"", "", "0", "0", "0"},
         FixedToday,
         {"Ung\u00FCltiger Datentyp f\u00FCr 'UserName'",
          "Ung\u00FCltiger Datentyp f\u00FCr 'UserDOB'"}},
    };
    for (const TFillCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        c.Store();
        Create();
        EXPECT_EQ((QStringList{Form->EditUsername->text(), Form->EditDOB->text(),
                               Form->EditCigaretteQuantity->text(),
                               Form->EditCigaretteBoxQuantity->text(),
                               Form->EditCigaretteBoxPrice->text()}),
                  c.Texts);
        EXPECT_EQ(Form->CalendarStopped->Date(), c.Day);
        EXPECT_EQ(Messages, c.Messages);
        ExpectPage(Form->PanelCenterStart);
    }
}

TEST_F(WizardTest, PassingTheNamePageRepairsANameOfTheWrongType) {
    Setting->WriteIntegerValue(UserNameName, 7);
    Create();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(ShowModalWith([&] {
                  Click(Form->ButtonNext);
                  Type(Form->EditUsername, "Anna");
                  Enter();
                  Click(Form->ButtonCancel);
              }),
              2);
    EXPECT_EQ(Setting->GetUserName(), u"Anna");
}

TEST_F(WizardTest, EveryFieldIsAnnouncedByItsQuestion) {
    Create();
    const std::pair<QWidget*, QString> fields[] = {
        {Form->EditUsername, "Wie lautet dein Name?"},
        {Form->EditDOB, "In welchem Jahr wurdest du geboren?"},
        {Form->EditCigaretteQuantity, "Wieviele Zigaretten hast du pro Tag geraucht?"},
        {Form->EditCigaretteBoxPrice, "Wie hoch war der Preis einer Packung?"},
        {Form->EditCigaretteBoxQuantity, "Wieviele Zigaretten waren in einer Packung?"},
        {Form->CalendarStopped,
         QString::fromUtf8("An welchem Tag hast du mit dem Rauchen aufgehört?")},
    };
    for (const auto& [field, question] : fields) {
        SCOPED_TRACE(field->objectName().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), question);
    }
    EXPECT_EQ(Form->LabelStoppingDate->text(), fields[5].second);
}

TEST_F(WizardTest, TypingInsertsOnlyWhatTheFieldsFilterAdmits) {
    Create();
    const std::tuple<TEdit*, QString, QString> cases[] = {
        {Form->EditUsername, QString::fromUtf8("Zoë 1,-.x"), QString::fromUtf8("Zoë 1,-.x")},
        {Form->EditDOB, "19a8-0.5 ", "19805"},
        {Form->EditCigaretteQuantity, "2x0,", "20"},
        {Form->EditCigaretteBoxQuantity, "1,9e", "19"},
        {Form->EditCigaretteBoxPrice, "4a,5.-9E", "4,59"},
    };
    for (const auto& [edit, typed, expected] : cases) {
        SCOPED_TRACE(edit->objectName().toStdString());
        edit->clear();
        TypeKeys(edit, typed);
        EXPECT_EQ(edit->text(), expected);

        // Pasting is not typing: anything goes in.
        QApplication::clipboard()->setText("ab-1.5");
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), expected + "ab-1.5");
    }
}

TEST_F(WizardTest, EditingKeysWorkInFilteredFields) {
    Create();
    TEdit* edit = Form->EditDOB;
    edit->clear();
    TypeKeys(edit, "1234");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "234");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Left);
    TypeKeys(edit, "9");
    EXPECT_EQ(edit->text(), "293");
}

TEST_F(WizardTest, DraggingWithTheLeftButtonMovesTheWindow) {
    Create();
    struct TDrag {
        const char* Name;
        Qt::MouseButton Button;
        bool OnAnEdit; // else on the banner
        QPoint Expected;
    };
    const TDrag drags[] = {{"left", Qt::LeftButton, false, {37, -23}},
                           {"right", Qt::RightButton, false, {}},
                           {"left on an edit", Qt::LeftButton, true, {37, -23}}};
    for (const TDrag& drag : drags) {
        SCOPED_TRACE(drag.Name);
        QPoint centre;
        QPoint moved;
        ShowModalWith([&] {
            centre = Form->pos();
            QWindow* window = Form->windowHandle();
            // The window sees the press before the control under the pointer does.
            if (drag.OnAnEdit) {
                ClickForwardTo(Form->PanelCenterName);
            }
            QWidget* under = drag.OnAnEdit ? static_cast<QWidget*>(Form->EditUsername)
                                           : static_cast<QWidget*>(Form->ImageTop);
            const QPoint grip = under->mapTo(Form.get(), QPoint(300, 20));
            const QPoint globalGrip = Form->mapToGlobal(grip);
            QTest::mousePress(window, drag.Button, {}, grip);
            for (const QPoint step : {QPoint(20, -10), QPoint(37, -23)}) {
                QCoreApplication::processEvents();
                QTest::mouseMove(window, globalGrip + step - Form->geometry().topLeft());
            }
            QCoreApplication::processEvents();
            moved = Form->pos() - centre;
            QTest::mouseRelease(window, drag.Button, {}, globalGrip + moved - Form->pos());
            Click(Form->ButtonCancel);
        });
        EXPECT_EQ(moved, drag.Expected);
        // Every showing starts from the centre of the screen, wherever the last one ended.
        EXPECT_EQ(centre, CenteredOnPrimaryScreen(Form->size()));
    }
    // The cursors of the first press stay for the rest of the run.
    EXPECT_EQ(Form->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(Form->PanelTop->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_EQ(Form->PanelBottom->cursor().shape(), Qt::ArrowCursor);
}

// At every scale (QT_SCALE_FACTOR and the screen as the test is registered) the wizard lies
// wholly within the screen's free area: as designed where it fits, else drawn smaller as a
// whole, keeping its proportions, as large as fits and centred there. So does a message box.
TEST_F(WizardTest, LiesWithinTheScreenAtEveryScale) {
    Create();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const bool fits = available.width() >= 987 && available.height() >= 795;
    ShowModalWith([&] {
        const QRect window = Form->frameGeometry();
        const double factor = window.width() / 987.0;
        EXPECT_TRUE(available.contains(window));
        if (fits) {
            EXPECT_EQ(window.size(), QSize(987, 795));
            EXPECT_EQ(window.topLeft(), CenteredOnPrimaryScreen(window.size()));
        } else {
            EXPECT_TRUE(window.width() == available.width() ||
                        window.height() == available.height());
            EXPECT_NEAR(window.width() / static_cast<double>(window.height()), 987.0 / 795, 0.01);
            EXPECT_NEAR(window.center().x(), available.center().x(), 1);
            EXPECT_NEAR(window.center().y(), available.center().y(), 1);
        }
        // Everything on it by the same factor: bands, buttons, fonts, the banner.
        EXPECT_NEAR(Form->PanelTop->height(), 257 * factor, 1);
        EXPECT_NEAR(Form->PanelBottom->height(), 82 * factor, 1);
        EXPECT_NEAR(Form->ButtonNext->width(), 166 * factor, 1);
        EXPECT_NEAR(Form->ButtonNext->geometry().right() + 1, 977 * factor, 2);
        EXPECT_NEAR(QFontInfo(Form->LabelStart->font()).pixelSize(), 30 * factor, 1);
        EXPECT_NEAR(QFontInfo(Form->CalendarStopped->Grid->font()).pixelSize(), 18 * factor, 1);
        EXPECT_NEAR(Form->ImageTop->pixmap().deviceIndependentSize().width(), 963 * factor, 2);
        Click(Form->ButtonCancel);
    });

    // The message box too, with a text that would reach far below the screen.
    ShowMessageBox(
        QString("Fehler beim Holen der Daten f\u00FCr 'x' ").repeated(300).toStdU16String());
    ASSERT_EQ(MessageFrames.size(), 1u);
    EXPECT_TRUE(available.contains(MessageFrames[0]));
}

TEST_F(WizardTest, CalendarMovesByMonthYearAndDayAndKeepsWholeDays) {
    Create();
    TMonthCalendar* calendar = Form->CalendarStopped;
    QTableView* days = calendar->Grid->findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    struct TStep {
        const char* Name;
        std::function<void()> Act;
        QDate Expected;
    };
    const TStep steps[] = {
        {"next month from the 31st", [&] { Click(calendar->ButtonNextMonth); }, {2024, 2, 29}},
        {"previous month", [&] { Click(calendar->ButtonPreviousMonth); }, {2024, 1, 29}},
        {"next year from 29 February",
         [&] {
             calendar->SetDay({2024, 2, 29});
             QTest::keyClick(calendar->ComboYear, Qt::Key_Down);
         },
         {2025, 2, 28}},
        {"month chooser",
         [&] { QTest::keyClick(calendar->ComboMonth, Qt::Key_Up); },
         {2025, 1, 28}},
        {"a day in the grid", [&] { QTest::keyClick(days, Qt::Key_Right); }, {2025, 1, 29}},
        {"today", [&] { Click(calendar->ButtonToday); }, {2026, 3, 15}},
    };
    calendar->SetDay({2024, 1, 31});
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Act();
        EXPECT_EQ(calendar->Day(), step.Expected);
        EXPECT_EQ(calendar->Date(), static_cast<double>(QDate(1899, 12, 30).daysTo(step.Expected)));
        // The choosers follow the day; the year list is the shown year and ten either side.
        EXPECT_EQ(calendar->ComboMonth->currentIndex(), step.Expected.month() - 1);
        ASSERT_EQ(calendar->ComboYear->count(), 21);
        EXPECT_EQ(calendar->ComboYear->itemText(0), QString::number(step.Expected.year() - 10));
        EXPECT_EQ(calendar->ComboYear->currentText(), QString::number(step.Expected.year()));
    }
}

TEST_F(WizardTest, TheLooksOfTheFieldsButtonsAndCalendar) {
    Create();
    // The fields have a fill of their own on the white panels, so a field shows at once.
    for (TEdit* edit : {Form->EditUsername, Form->EditDOB, Form->EditCigaretteQuantity,
                        Form->EditCigaretteBoxPrice, Form->EditCigaretteBoxQuantity}) {
        const QColor fill = edit->palette().color(QPalette::Base);
        EXPECT_NE(fill, QColor(Qt::white));
        EXPECT_GT(fill.lightness(), 200); // still light, dark text stays readable
    }
    // Every button text keeps a margin inside its button.
    for (QPushButton* button : {Form->ButtonNext, Form->ButtonPrevious, Form->ButtonCancel}) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()),
                  button->width() - 16);
    }
    // The calendar's texts are larger than Qt's default, smaller than the prompts.
    const QFont calendar = Form->CalendarStopped->Grid->font();
    EXPECT_EQ(QFontInfo(calendar).pixelSize(), 18);
}

// Most runs never show the wizard: its controls are built at the first showing, with what the
// construction read from the store, exactly as if they had been there from the start.
TEST_F(WizardTest, TheControlsAreBuiltAtTheFirstShowingWithWhatCreationRead) {
    Setting->SetUserName(u"Anna");
    Setting->SetCigConsQty(20);
    Setting->SetCigBoxPrice(5.3F);
    Setting->SetUserStopTime(42005.75);
    Form.reset();
    Form = std::make_unique<TFormSetup>(&Owner);
    EXPECT_FALSE(Form->Built());
    EXPECT_TRUE(Form->findChildren<QWidget*>().isEmpty());
    Setting->SetUserName(u"Later"); // not read again
    ShowModalWith([&] {
        EXPECT_TRUE(Form->Built());
        ExpectPage(Form->PanelCenterStart);
        EXPECT_EQ(Form->EditUsername->text(), "Anna");
        EXPECT_EQ(Form->EditCigaretteQuantity->text(), "20");
        EXPECT_EQ(Form->EditCigaretteBoxPrice->text(), "5,30000019073486");
        EXPECT_EQ(Form->CalendarStopped->Date(), 42005);
        EXPECT_EQ(Form->EditDOB->FilterChar, "0123456789");
        EXPECT_EQ(Form->LabelUsername->text(), "Wie lautet dein Name?");
        Click(Form->ButtonCancel);
    });
}
