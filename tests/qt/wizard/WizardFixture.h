#pragma once

// Drives the wizard as a user does: real key and mouse events, the modal showing in its own
// nested loop, message boxes closed by a watcher that records what they said.

#include "QtSupport.h"
#include "TestClock.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "conversions/Clock.h"
#include "conversions/StartupSettings.h"
#include "registry/SqliteHive.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Readable failures: gtest would print a QString as an array of 2-byte objects.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (const QString& text : texts) {
        *out << ' ';
        PrintTo(text, out);
    }
    *out << " }";
}

// Types text key by key; characters beyond ASCII come with the key of their capital letter,
// as a German keyboard sends them.
inline void TypeKeys(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
        }
    }
}

// The fixed "now" of every test: 15 March 2026, 14:30.
inline constexpr TLocalTime FixedNow{2026, 3, 15, 14, 30, 5, 250};
inline constexpr double FixedToday = 46096; // 15 March 2026 as a day number

class WizardTest : public ::testing::Test {
public:
    static QString SandboxRoot;

protected:
    void SetUp() override {
        static int caseNumber = 0;
        const QString root =
            SandboxRoot.isEmpty() ? QDir::tempPath() + "/pelwick-wizard-test" : SandboxRoot;
        Home = root + QString("/case-%1").arg(++caseNumber);
        QDir(Home).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(Home));
        qputenv("XDG_CONFIG_HOME", Home.toUtf8());
        PreviousSeparator = FormatSettings.DecimalSeparator;
        FormatSettings.DecimalSeparator = u',';
        Messages.clear();
        MessageFrames.clear();
        QObject::connect(&Watcher, &QTimer::timeout, [this] { CloseMessageBox(); });
        Watcher.start(10);
    }

    void TearDown() override {
        Form.reset();
        Watcher.stop();
        FormatSettings.DecimalSeparator = PreviousSeparator;
    }

    // A new program run: the window is created, filled from the store, and its controls are
    // built as its first showing builds them.
    void Create() {
        Form.reset();
        Form = std::make_unique<TFormSetup>(&Owner);
        Form->Build();
    }

    // The modal showing with the user's actions queued before its loop starts. A script that
    // leaves the window open fails the test instead of hanging it.
    int ShowModalWith(const std::function<void()>& script) {
        QTimer::singleShot(0, Form.get(), [this, script] {
            if (!QTest::qWaitForWindowActive(Form.get())) {
                ADD_FAILURE() << "the wizard did not become active";
            }
            script();
            if (Form->isVisible()) {
                ADD_FAILURE() << "the showing did not end";
                Form->done(99);
            }
        });
        return Form->ShowModal();
    }

    void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

    // Where the keys go. A window manager gives the activation back to the wizard when a
    // message box closes; the offscreen platform does not, so the test does it.
    QWidget* Focus() {
        if (!Form->isActiveWindow()) {
            Form->activateWindow();
        }
        if (!QTest::qWaitForWindowActive(Form.get()) || QApplication::focusWidget() == nullptr) {
            ADD_FAILURE() << "no keyboard focus";
            return Form.get();
        }
        return QApplication::focusWidget();
    }

    // Typing goes where the keyboard focus is, so the focus must already be right.
    void Type(QWidget* expectedFocus, const QString& text) {
        EXPECT_EQ(Focus(), expectedFocus);
        TypeKeys(Focus(), text);
    }

    // Replaces the field's text from the keyboard: select all, then type (or nothing).
    void Retype(QWidget* expectedFocus, const QString& text) {
        EXPECT_EQ(Focus(), expectedFocus);
        QTest::keyClick(Focus(), Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) {
            QTest::keyClick(Focus(), Qt::Key_Backspace);
        } else {
            TypeKeys(Focus(), text);
        }
    }

    // Replaces the field's text by pasting, which no filter stops.
    void Paste(QWidget* field, const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }

    void Enter() { QTest::keyClick(Focus(), Qt::Key_Return); }

    // The visible page and the two buttons as the page shows them.
    void ExpectPage(QWidget* page) {
        for (QWidget* each : Pages()) {
            EXPECT_EQ(each->isVisibleTo(Form.get()), each == page)
                << each->objectName().toStdString();
        }
        EXPECT_EQ(Form->PanelOf(Form->Wizard.CurrentPanel), page);
        EXPECT_EQ(Form->ButtonPrevious->isEnabled(), page != Form->PanelCenterStart);
        EXPECT_EQ(Form->ButtonNext->text(),
                  page == Form->PanelCenterFinish ? QString("Fertig") : QString("Weiter >>"));
    }

    std::vector<QWidget*> Pages() const {
        return {Form->PanelCenterStart,
                Form->PanelCenterName,
                Form->PanelCenterDOB,
                Form->PanelCenterCigaretteQuantity,
                Form->PanelCenterCigarettePrice,
                Form->PanelCenterFinish};
    }

    // Moves forward from the Start page with "Weiter >>" until `page` shows.
    void ClickForwardTo(QWidget* page) {
        for (int i = 0; i < 6 && Form->PanelOf(Form->Wizard.CurrentPanel) != page; ++i) {
            Click(Form->ButtonNext);
        }
        ASSERT_EQ(Form->PanelOf(Form->Wizard.CurrentPanel), page);
    }

    // Blocks every write to the hive: a file stands where its folder belongs, so the key
    // cannot be created. Reads see no values.
    void BlockStore() {
        SqliteHiveDisconnect();
        QDir(Home).rename("pelwick", "pelwick.away");
        QFile blocker(Home + "/pelwick");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    void UnblockStore() {
        ASSERT_TRUE(QFile::remove(Home + "/pelwick"));
        QDir(Home).rename("pelwick.away", "pelwick");
    }

    // The stored text, or "<absent>" when the value does not exist.
    static std::u16string Stored(const std::u16string& name) {
        return Setting->ReadStringValue(name, u"<absent>");
    }

    QWidget Owner;
    std::unique_ptr<TFormSetup> Form;
    QStringList Messages;
    std::vector<QRect> MessageFrames;
    QString Home;

private:
    void CloseMessageBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        Messages << box->text();
        MessageFrames.push_back(box->frameGeometry());
        const auto buttons = box->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons.front()->text(), "OK");
        buttons.front()->click();
    }

    QTimer Watcher;
    TTestClock Clock{FixedNow};
    char16_t PreviousSeparator = u'.';
};
