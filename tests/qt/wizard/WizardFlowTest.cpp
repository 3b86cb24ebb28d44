// The page flow: what each step saves, where the focus goes, the Enter rules, how a showing
// ends and what the next showing starts from.

#include "WizardFixture.h"

#include <cstring>

namespace {

// The exact bits: 5,30 must reach the store as the single nearest to 5.3, not as 5.3.
bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

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

TEST_F(WizardTest, EnterRulesLookAtTheTextsOnly) {
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
        {"empty name", [](TFormSetup& f) { return f.PanelCenterName; },
         [](TFormSetup& f) { f.EditUsername->clear(); }, enter,
         [](TFormSetup& f) { return f.PanelCenterName; },
         [](TFormSetup& f) { return f.EditUsername; }},
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
        {"emptied birth year", [](TFormSetup& f) { return f.PanelCenterDOB; },
         [](TFormSetup& f) { f.EditDOB->clear(); }, enter,
         [](TFormSetup& f) { return f.PanelCenterDOB; }, [](TFormSetup& f) { return f.EditDOB; }},
        {"emptied cigarettes per day", [](TFormSetup& f) { return f.PanelCenterCigaretteQuantity; },
         [](TFormSetup& f) { f.EditCigaretteQuantity->clear(); }, enter,
         [](TFormSetup& f) { return f.PanelCenterCigaretteQuantity; },
         [](TFormSetup& f) { return f.EditCigaretteQuantity; }},
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
        {"filled pack count and price", [](TFormSetup& f) { return f.PanelCenterCigarettePrice; },
         [](TFormSetup& f) { f.EditCigaretteBoxQuantity->setFocus(); }, enter,
         [](TFormSetup& f) { return f.PanelCenterFinish; }, nullptr},
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

TEST_F(WizardTest, CigarettesPerDayThatDoNotConvertAreDroppedSilently) {
    for (const QString& text :
         {QString(), QString("99999999999"), QString("12a"), QString("1,5")}) {
        SCOPED_TRACE(text.toStdString());
        TearDown();
        SetUp();
        Setting->SetCigConsQty(7);
        Create();
        ShowModalWith([&] {
            ClickForwardTo(Form->PanelCenterCigaretteQuantity);
            Paste(Form->EditCigaretteQuantity, text);
            Click(Form->ButtonNext);
            ExpectPage(Form->PanelCenterCigarettePrice);
            EXPECT_EQ(QApplication::focusWidget(), Form->EditCigaretteBoxPrice);
            Click(Form->ButtonCancel);
        });
        EXPECT_EQ(Setting->GetCigConsQty(), 7);
        EXPECT_TRUE(Messages.isEmpty());
    }
}

TEST_F(WizardTest, PriceStepStoresWhatConvertsAndSaysWhatDoesNot) {
    struct TCase {
        char16_t Separator;
        QString Price, Quantity;
        float StoredPrice;
        int StoredQuantity;
        QStringList Messages;
    };
    const float oldPrice = 1.25f;
    const int oldQuantity = 17;
    const TCase cases[] = {
        {u',', "4,5", "20", 4.5f, 20, {}},
        {u',', "5,30", "20", 5.3f, 20, {}},
        {u',', "4,5", "20,9", 4.5f, 20, {}}, // the pack count is truncated
        {u',', "", "20", oldPrice, oldQuantity, {"'' ist kein g\u00FCltiger Gleitkommawert"}},
        {u',', "4,5", "", 4.5f, oldQuantity, {"'' ist kein g\u00FCltiger Gleitkommawert"}},
        {u'.', "4,5", "20", oldPrice, oldQuantity, {"'4,5' ist kein g\u00FCltiger Gleitkommawert"}},
        // Too large for the single the store keeps: a message, never an infinity stored.
        {u',', "1E39", "20", oldPrice, oldQuantity, {"Gleitkomma\u00FCberlauf"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE((c.Price + " / " + c.Quantity).toStdString());
        TearDown();
        SetUp();
        FormatSettings.DecimalSeparator = c.Separator;
        Setting->SetCigBoxPrice(oldPrice);
        Setting->SetCigBoxQty(oldQuantity);
        Create();
        ShowModalWith([&] {
            ClickForwardTo(Form->PanelCenterCigarettePrice);
            Paste(Form->EditCigaretteBoxPrice, c.Price);
            Paste(Form->EditCigaretteBoxQuantity, c.Quantity);
            Click(Form->ButtonNext);
            ExpectPage(Form->PanelCenterFinish);
            Click(Form->ButtonCancel);
        });
        EXPECT_TRUE(SameBits(Setting->GetCigBoxPrice(), c.StoredPrice))
            << Setting->GetCigBoxPrice();
        EXPECT_EQ(Setting->GetCigBoxQty(), c.StoredQuantity);
        EXPECT_EQ(Messages, c.Messages);
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

TEST_F(WizardTest, AFinishedWizardOpensOnFinishAndGoingBackAndForthStoresAgain) {
    Create();
    ASSERT_EQ(ShowModalWith([&] {
                  ClickForwardTo(Form->PanelCenterName);
                  Type(Form->EditUsername, "Anna");
                  Enter();
                  Type(Form->EditDOB, "1980");
                  Enter();
                  Retype(Form->EditCigaretteQuantity, "20");
                  Enter();
                  Retype(Form->EditCigaretteBoxPrice, "4,5");
                  Enter();
                  Retype(Form->EditCigaretteBoxQuantity, "19");
                  Enter();
                  Form->CalendarStopped->SetDate(42005.5);
                  Click(Form->ButtonNext);
              }),
              1);
    EXPECT_EQ(Setting->GetUserStopTime(), 42005);

    // Someone else changes the figures; "Fertig" at once stores only the day and the flag.
    Setting->SetUserName(u"Other");
    Setting->SetCigConsQty(3);
    Setting->SetUserStopTime(0);
    Setting->SetSetupCompl(false);
    EXPECT_EQ(ShowModalWith([&] {
                  ExpectPage(Form->PanelCenterFinish);
                  Click(Form->ButtonNext);
              }),
              1);
    EXPECT_EQ(Setting->GetUserStopTime(), 42005);
    EXPECT_TRUE(Setting->GetSetupCompl());
    EXPECT_EQ(Setting->GetUserName(), u"Other");

    // Back to the Name page saves nothing; forward again saves every page passed.
    EXPECT_EQ(ShowModalWith([&] {
                  const std::vector<QWidget*> back = {Form->PanelCenterCigarettePrice,
                                                      Form->PanelCenterCigaretteQuantity,
                                                      Form->PanelCenterDOB, Form->PanelCenterName};
                  for (QWidget* page : back) {
                      Click(Form->ButtonPrevious);
                      ExpectPage(page);
                  }
                  EXPECT_EQ(Setting->GetUserName(), u"Other");
                  for (int page = 0; page < 4; ++page) {
                      Click(Form->ButtonNext);
                  }
                  ExpectPage(Form->PanelCenterFinish);
                  Click(Form->ButtonCancel);
              }),
              2);
    EXPECT_EQ(Setting->GetUserName(), u"Anna");
    EXPECT_EQ(Setting->GetCigConsQty(), 20);
    EXPECT_EQ(Setting->GetCigBoxQty(), 19);
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
