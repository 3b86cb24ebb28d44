// The page flow through the real window: a whole showing driven by keys and clicks, the key
// events that reach the Enter rules, how a modal showing ends and what the next one starts
// from, and store failures reaching the application's handler. The rules themselves are tested
// in the app layer.

#include "WizardFixture.h"

TEST_F(WizardTest, FinishingStoresEveryPageAndReturnsOk) {
    Create();
    const int result = ShowModalWith([&] {
        ExpectPage(Form->PanelCenterStart);
        Click(Form->ButtonNext);
        ExpectPage(Form->PanelCenterName);
        Type(Form->EditUsername, "Anna");
        Enter();
        ExpectPage(Form->PanelCenterDOB);
        EXPECT_EQ(Stored(UserNameName), u"Anna");
        Type(Form->EditDOB, "1980");
        Enter();
        ExpectPage(Form->PanelCenterCigaretteQuantity);
        Retype(Form->EditCigaretteQuantity, "20");
        Enter();
        ExpectPage(Form->PanelCenterCigarettePrice);
        Retype(Form->EditCigaretteBoxPrice, "4,5");
        Enter(); // only moves on to the pack count
        ExpectPage(Form->PanelCenterCigarettePrice);
        Retype(Form->EditCigaretteBoxQuantity, "20");
        Enter();
        ExpectPage(Form->PanelCenterFinish);
        Click(Form->ButtonNext);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Setting->GetUserName(), u"Anna");
    EXPECT_EQ(Setting->GetUserDOB(), u"1980");
    EXPECT_EQ(Setting->GetCigConsQty(), 20);
    EXPECT_EQ(Setting->GetCigBoxPrice(), 4.5f);
    EXPECT_EQ(Setting->GetCigBoxQty(), 20);
    EXPECT_EQ(Setting->GetUserStopTime(), FixedToday); // today at 00:00
    EXPECT_TRUE(Setting->GetSetupCompl());
    EXPECT_TRUE(Messages.isEmpty());
}

// The Enter rules themselves are the app layer's; here, what Qt delivers: the keypad's Enter,
// a held key's repeats, Escape, and where the focus really goes.
TEST_F(WizardTest, EnterAndEscapeAsQtDeliversThem) {
    struct TRule {
        const char* Name;
        std::function<QWidget*(TFormSetup&)> Page;     // where the rule is tried
        std::function<void(TFormSetup&)> Prepare;      // the fields' texts before Enter
        std::function<void()> Press;                   // the key, as released
        std::function<QWidget*(TFormSetup&)> NextPage; // the page afterwards
        std::function<QWidget*(TFormSetup&)> Focus;    // the focus afterwards, if it matters
    };
    const auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    const TRule rules[] = {
        {"keypad Enter in a filled name", [](TFormSetup& f) { return f.PanelCenterName; },
         [](TFormSetup&) {},
         [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier); },
         [](TFormSetup& f) { return f.PanelCenterDOB; }, [](TFormSetup& f) { return f.EditDOB; }},
        {"held Enter repeats no step", [](TFormSetup& f) { return f.PanelCenterName; },
         [](TFormSetup&) {},
         [] {
             QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", true);
             QApplication::sendEvent(QApplication::focusWidget(), &repeat);
         },
         [](TFormSetup& f) { return f.PanelCenterName; },
         [](TFormSetup& f) { return f.EditUsername; }},
        {"filled price", [](TFormSetup& f) { return f.PanelCenterCigarettePrice; },
         [](TFormSetup&) {}, enter, [](TFormSetup& f) { return f.PanelCenterCigarettePrice; },
         [](TFormSetup& f) { return f.EditCigaretteBoxQuantity; }},
        {"filled pack count, empty price",
         [](TFormSetup& f) { return f.PanelCenterCigarettePrice; },
         [](TFormSetup& f) {
             f.EditCigaretteBoxPrice->clear();
             f.EditCigaretteBoxQuantity->setFocus();
         },
         enter, [](TFormSetup& f) { return f.PanelCenterCigarettePrice; },
         [](TFormSetup& f) { return f.EditCigaretteBoxPrice; }},
        {"Escape", [](TFormSetup& f) { return f.PanelCenterDOB; }, [](TFormSetup&) {},
         [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
         [](TFormSetup& f) { return f.PanelCenterDOB; }, [](TFormSetup& f) { return f.EditDOB; }},
    };
    for (const TRule& rule : rules) {
        SCOPED_TRACE(rule.Name);
        TearDown();
        SetUp();
        Setting->SetUserName(u"Anna");
        Setting->SetUserDOB(u"1980");
        Setting->SetCigConsQty(7);
        Setting->SetCigBoxPrice(4.5f);
        Setting->SetCigBoxQty(20);
        Create();
        ShowModalWith([&] {
            ClickForwardTo(rule.Page(*Form));
            rule.Prepare(*Form);
            rule.Press();
            EXPECT_TRUE(Form->isVisible());
            ExpectPage(rule.NextPage(*Form));
            if (rule.Focus) {
                EXPECT_EQ(QApplication::focusWidget(), rule.Focus(*Form));
            }
            Click(Form->ButtonCancel);
        });
        EXPECT_TRUE(Messages.isEmpty());
    }
}

TEST_F(WizardTest, WithAPointAsSeparatorNoDecimalsCanBeTyped) {
    FormatSettings.DecimalSeparator = u'.';
    Create();
    ShowModalWith([&] {
        ClickForwardTo(Form->PanelCenterCigarettePrice);
        Retype(Form->EditCigaretteBoxPrice, "4.5");
        EXPECT_EQ(Form->EditCigaretteBoxPrice->text(), "45");
        Click(Form->ButtonCancel);
    });
}

TEST_F(WizardTest, EndingAShowingOtherwiseReturnsCancelledAndKeepsWhatWasSaved) {
    const std::pair<const char*, std::function<void(TFormSetup&)>> ways[] = {
        {"Abbrechen", [this](TFormSetup& f) { Click(f.ButtonCancel); }},
        {"close request", [](TFormSetup& f) { f.close(); }},
    };
    for (const auto& [name, end] : ways) {
        SCOPED_TRACE(name);
        TearDown();
        SetUp();
        Create();
        const int result = ShowModalWith([&] {
            ClickForwardTo(Form->PanelCenterName);
            Type(Form->EditUsername, "Anna");
            Enter();
            Type(Form->EditDOB, "1980");
            Enter();
            Retype(Form->EditCigaretteQuantity, "20");
            Enter();
            ExpectPage(Form->PanelCenterCigarettePrice);
            end(*Form);
        });
        EXPECT_EQ(result, 2);
        EXPECT_FALSE(Form->isVisible());
        EXPECT_EQ(Stored(UserNameName), u"Anna");
        EXPECT_EQ(Stored(UserDOBName), u"1980");
        EXPECT_EQ(Setting->GetCigConsQty(), 20);
        EXPECT_EQ(Setting->ReadBoolValue(SetupComplName, true), true) << "SetupCompl was written";
        EXPECT_EQ(Stored(CigBoxPriceName), u"<absent>");
    }
}

TEST_F(WizardTest, TheNextShowingOpensWhereTheLastEndedWithTheFieldsAsLeft) {
    Create();
    ShowModalWith([&] {
        ClickForwardTo(Form->PanelCenterDOB);
        Type(Form->EditDOB, "1979");
        Click(Form->ButtonCancel);
    });
    // Changes in the store are not read into the fields again.
    Setting->SetUserDOB(u"2001");
    Setting->SetCigConsQty(9);
    ShowModalWith([&] {
        ExpectPage(Form->PanelCenterDOB);
        EXPECT_EQ(Form->EditDOB->text(), "1979");
        EXPECT_EQ(Form->EditCigaretteQuantity->text(), "0");
        Click(Form->ButtonCancel);
    });
    EXPECT_EQ(Setting->GetUserDOB(), u"2001");
}

TEST_F(WizardTest, StoreFailuresOnNameAndFinishReachTheApplicationsHandler) {
    BlockStore();
    Create();
    const QString failure =
        QString::fromUtf8("Erzeugung von Schlüssel Software\\Korvenda\\Pelwick misslungen.");
    const int result = ShowModalWith([&] {
        ClickForwardTo(Form->PanelCenterName);
        Type(Form->EditUsername, "Anna");
        Enter();
        EXPECT_EQ(Messages, QStringList{failure});
        // The step ended half-way: the flow already names the next page, which is not shown.
        EXPECT_EQ(Form->Wizard.CurrentPanel, TPanel::DOB);
        EXPECT_TRUE(Form->PanelCenterName->isVisible());
        EXPECT_EQ(Focus(), Form->EditUsername);

        // So Enter on the page still shown runs the birth year's row.
        UnblockStore();
        Enter();
        ExpectPage(Form->PanelCenterCigaretteQuantity);
        EXPECT_EQ(Stored(UserNameName), u"<absent>");
        EXPECT_EQ(Stored(UserDOBName), u"");
        ClickForwardTo(Form->PanelCenterFinish);

        BlockStore();
        Click(Form->ButtonNext);
        EXPECT_EQ(Messages, (QStringList{failure, failure}));
        EXPECT_TRUE(Form->isVisible());
        UnblockStore();
        Click(Form->ButtonNext);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(Setting->GetSetupCompl());
}

// No control has the keyboard focus when a showing opens: Space or Enter then presses no
// button that the last showing left focused.
TEST_F(WizardTest, EachShowingOpensWithNoControlFocused) {
    Create();
    const auto noControlFocused = [this] {
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(focused == nullptr || focused == Form.get())
            << focused->objectName().toStdString();
    };
    ShowModalWith([&] {
        noControlFocused();
        Click(Form->ButtonNext);
        Click(Form->ButtonCancel);
    });
    const int result = ShowModalWith([&] {
        noControlFocused();
        QTest::keyClick(Form.get(), Qt::Key_Space);
        QTest::keyClick(Form.get(), Qt::Key_Return);
        EXPECT_TRUE(Form->isVisible());
        Click(Form->ButtonCancel);
    });
    EXPECT_EQ(result, 2);
}
