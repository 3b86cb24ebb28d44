// The wizard's behaviour without a window: for each page and action, the calls the window sees
// in order, what the store holds afterwards and the page the flow is on; the filling at
// creation; the conversions of the number pages; store failures; dragging.

#include "AppFixture.h"
#include "FakeViews.h"

#include "app/Wizard.h"

#include <gmock/gmock.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using testing::ElementsAreArray;

// What an earlier showing stored; every case starts from it.
const TStored Earlier{.UserName = u"Alt",
                      .UserDOB = u"1970",
                      .CigConsQty = 7,
                      .CigBoxPrice = 1.25F,
                      .CigBoxQty = 17,
                      .SetupCompl = false};

const std::map<TField, std::u16string> Typed{
    {TField::Username, u"Anna"},           {TField::DOB, u"1980"},
    {TField::CigaretteQuantity, u"20"},    {TField::CigaretteBoxPrice, u"4,5"},
    {TField::CigaretteBoxQuantity, u"19"},
};

constexpr TDateTime CalendarDay = 42015; // 11 January 2015, as the calendar holds it

TStored With(std::function<void(TStored&)> change) {
    TStored s = Earlier;
    change(s);
    return s;
}

std::map<TField, std::u16string> TypedWith(TField field, std::u16string text) {
    auto texts = Typed;
    texts[field] = std::move(text);
    return texts;
}

const std::string Next = "Weiter >>";
std::string Shown(const char* page, bool previous = true, const std::string& next = Next) {
    return std::string("ShowPage(") + page + (previous ? ", previous, " : ", no previous, ") +
           next + ")";
}

std::function<void(TWizard&)> KeyUp(TField field, std::uint16_t key = KeyEnter) {
    return [=](TWizard& w) { w.EditKeyUp(field, key); };
}

class WizardTest : public TAppTest {
protected:
    TRecordingWizardView View;
    TWizard Wizard{View};
};

TEST_F(WizardTest, EachActionOnEachPage) {
    struct TCase {
        const char* Name;
        TPanel Page;
        std::map<TField, std::u16string> Texts;
        std::function<void(TWizard&)> Action;
        std::vector<std::string> Calls;
        TStored After;
        TPanel PageAfter;
    };
    const auto next = [](TWizard& w) { w.ButtonNextClick(); };
    const auto previous = [](TWizard& w) { w.ButtonPreviousClick(); };
    const auto cancel = [](TWizard& w) { w.ButtonCancelClick(); };
    const auto close = [](TWizard& w) { w.CloseRequested(); };
    const TCase cases[] = {
        // "Weiter >>": the focus before the page, each page saved as it is left.
        {"next on Start",
         TPanel::Start,
         Typed,
         next,
         {"Focus(EditUsername)", Shown("Name")},
         Earlier,
         TPanel::Name},
        {"next on Name",
         TPanel::Name,
         Typed,
         next,
         {"Focus(EditDOB)", Shown("DOB")},
         With([](TStored& s) { s.UserName = u"Anna"; }),
         TPanel::DOB},
        {"next on Name, empty name",
         TPanel::Name,
         TypedWith(TField::Username, u""),
         next,
         {"Focus(EditDOB)", Shown("DOB")},
         With([](TStored& s) { s.UserName = u""; }),
         TPanel::DOB},
        {"next on DOB, any text",
         TPanel::DOB,
         TypedWith(TField::DOB, u"neunzehn"),
         next,
         {"Focus(EditCigaretteQuantity)", Shown("CigaretteQuantity")},
         With([](TStored& s) { s.UserDOB = u"neunzehn"; }),
         TPanel::CigaretteQuantity},
        {"next on CigaretteQuantity",
         TPanel::CigaretteQuantity,
         Typed,
         next,
         {"Focus(EditCigaretteBoxPrice)", Shown("CigarettePrice")},
         With([](TStored& s) { s.CigConsQty = 20; }),
         TPanel::CigarettePrice},
        {"next on CigarettePrice: price, then pack count; the focus stays",
         TPanel::CigarettePrice,
         Typed,
         next,
         {Shown("Finish", true, "Fertig")},
         With([](TStored& s) {
             s.CigBoxPrice = 4.5F;
             s.CigBoxQty = 19;
         }),
         TPanel::Finish},
        {"Fertig: the day, the flag, result 1",
         TPanel::Finish,
         Typed,
         next,
         {"EndShowing(1)", Shown("Finish", true, "Fertig")},
         With([](TStored& s) {
             s.UserStopTime = CalendarDay;
             s.SetupCompl = true;
         }),
         TPanel::Finish},
        // "<< Zurück" saves nothing and moves no focus.
        {"previous on Finish",
         TPanel::Finish,
         Typed,
         previous,
         {Shown("CigarettePrice")},
         Earlier,
         TPanel::CigarettePrice},
        {"previous on CigarettePrice",
         TPanel::CigarettePrice,
         Typed,
         previous,
         {Shown("CigaretteQuantity")},
         Earlier,
         TPanel::CigaretteQuantity},
        {"previous on CigaretteQuantity",
         TPanel::CigaretteQuantity,
         Typed,
         previous,
         {Shown("DOB")},
         Earlier,
         TPanel::DOB},
        {"previous on DOB", TPanel::DOB, Typed, previous, {Shown("Name")}, Earlier, TPanel::Name},
        {"previous on Name",
         TPanel::Name,
         Typed,
         previous,
         {Shown("Start", false)},
         Earlier,
         TPanel::Start},
        {"previous on Start stays",
         TPanel::Start,
         Typed,
         previous,
         {Shown("Start", false)},
         Earlier,
         TPanel::Start},
        // Ending a showing otherwise: result 2, nothing saved or undone, the page kept.
        {"Abbrechen", TPanel::DOB, Typed, cancel, {"EndShowing(2)"}, Earlier, TPanel::DOB},
        {"close request",
         TPanel::CigarettePrice,
         Typed,
         close,
         {"EndShowing(2)"},
         Earlier,
         TPanel::CigarettePrice},
        // The Enter rules look at the texts only, on the release of key 13.
        {"Enter in a filled name",
         TPanel::Name,
         Typed,
         KeyUp(TField::Username),
         {"Focus(EditDOB)", Shown("DOB")},
         With([](TStored& s) { s.UserName = u"Anna"; }),
         TPanel::DOB},
        {"Enter in an empty name",
         TPanel::Name,
         TypedWith(TField::Username, u""),
         KeyUp(TField::Username),
         {},
         Earlier,
         TPanel::Name},
        {"another key in a filled name",
         TPanel::Name,
         Typed,
         KeyUp(TField::Username, 'A'),
         {},
         Earlier,
         TPanel::Name},
        {"Enter in an emptied birth year",
         TPanel::DOB,
         TypedWith(TField::DOB, u""),
         KeyUp(TField::DOB),
         {},
         Earlier,
         TPanel::DOB},
        {"Enter in a filled birth year",
         TPanel::DOB,
         Typed,
         KeyUp(TField::DOB),
         {"Focus(EditCigaretteQuantity)", Shown("CigaretteQuantity")},
         With([](TStored& s) { s.UserDOB = u"1980"; }),
         TPanel::CigaretteQuantity},
        {"Enter in emptied cigarettes per day",
         TPanel::CigaretteQuantity,
         TypedWith(TField::CigaretteQuantity, u""),
         KeyUp(TField::CigaretteQuantity),
         {},
         Earlier,
         TPanel::CigaretteQuantity},
        {"Enter in cigarettes per day",
         TPanel::CigaretteQuantity,
         Typed,
         KeyUp(TField::CigaretteQuantity),
         {"Focus(EditCigaretteBoxPrice)", Shown("CigarettePrice")},
         With([](TStored& s) { s.CigConsQty = 20; }),
         TPanel::CigarettePrice},
        {"Enter in a filled price: on to the pack count",
         TPanel::CigarettePrice,
         Typed,
         KeyUp(TField::CigaretteBoxPrice),
         {"Focus(EditCigaretteBoxQuantity)"},
         Earlier,
         TPanel::CigarettePrice},
        {"Enter in an empty price",
         TPanel::CigarettePrice,
         TypedWith(TField::CigaretteBoxPrice, u""),
         KeyUp(TField::CigaretteBoxPrice),
         {},
         Earlier,
         TPanel::CigarettePrice},
        {"Enter in a pack count while the price is empty",
         TPanel::CigarettePrice,
         TypedWith(TField::CigaretteBoxPrice, u""),
         KeyUp(TField::CigaretteBoxQuantity),
         {"Focus(EditCigaretteBoxPrice)"},
         Earlier,
         TPanel::CigarettePrice},
        {"Enter in a pack count with a price",
         TPanel::CigarettePrice,
         Typed,
         KeyUp(TField::CigaretteBoxQuantity),
         {Shown("Finish", true, "Fertig")},
         With([](TStored& s) {
             s.CigBoxPrice = 4.5F;
             s.CigBoxQty = 19;
         }),
         TPanel::Finish},
        {"Enter in the name runs the row of whatever page is current",
         TPanel::DOB,
         Typed,
         KeyUp(TField::Username),
         {"Focus(EditCigaretteQuantity)", Shown("CigaretteQuantity")},
         With([](TStored& s) { s.UserDOB = u"1980"; }),
         TPanel::CigaretteQuantity},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        Store(Earlier);
        TRecordingWizardView view;
        view.Texts = c.Texts;
        view.Calendar = CalendarDay;
        TWizard wizard(view);
        wizard.CurrentPanel = c.Page;
        c.Action(wizard);
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
        EXPECT_EQ(Stored(), c.After);
        EXPECT_EQ(wizard.CurrentPanel, c.PageAfter);
    }
}

// The exact bits: 5,30 must reach the store as the single nearest to 5.3, not as 5.3.
bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(WizardTest, ThePricePageStoresWhatConvertsAndSaysWhatDoesNot) {
    struct TCase {
        char16_t Separator;
        std::u16string Price, Quantity;
        float StoredPrice;
        std::int32_t StoredQuantity;
        std::vector<std::string> Calls;
    };
    const std::string finish = Shown("Finish", true, "Fertig");
    const TCase cases[] = {
        {u',', u"4,5", u"20", 4.5F, 20, {finish}},
        {u',', u"5,30", u"20", 5.3F, 20, {finish}},
        {u',', u"4,5", u"20,9", 4.5F, 20, {finish}}, // the pack count is truncated
        {u',', u"0", u"0", 0.0F, 0, {finish}},       // content is not judged
        {u',',
         u"",
         u"20",
         1.25F,
         17,
         {"Message('' ist kein g\xC3\xBCltiger Gleitkommawert)", finish}},
        {u',',
         u"4,5",
         u"",
         4.5F,
         17,
         {"Message('' ist kein g\xC3\xBCltiger Gleitkommawert)", finish}},
        {u'.',
         u"4,5",
         u"20",
         1.25F,
         17,
         {"Message('4,5' ist kein g\xC3\xBCltiger Gleitkommawert)", finish}},
        // Too large for the single the store keeps: a message, never an infinity stored.
        {u',',
         u"1E39",
         u"20",
         1.25F,
         17,
         {"Message(Gleitkomma\xC3\xBC"
          "berlauf)",
          finish}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Price + u" / " + c.Quantity));
        UseFreshHive();
        Store(Earlier);
        TSeparatorScope separator(c.Separator);
        TRecordingWizardView view;
        view.Texts = TypedWith(TField::CigaretteBoxPrice, c.Price);
        view.Texts[TField::CigaretteBoxQuantity] = c.Quantity;
        TWizard wizard(view);
        wizard.CurrentPanel = TPanel::CigarettePrice;
        wizard.NextStep();
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
        EXPECT_TRUE(SameBits(Setting->GetCigBoxPrice(), c.StoredPrice))
            << Setting->GetCigBoxPrice();
        EXPECT_EQ(Setting->GetCigBoxQty(), c.StoredQuantity);
        EXPECT_EQ(wizard.CurrentPanel, TPanel::Finish);
    }
}

TEST_F(WizardTest, CigarettesPerDayThatDoNotConvertAreDroppedSilently) {
    for (const std::u16string text : {u"", u"99999999999", u"12a", u"1,5", u"5 "}) {
        SCOPED_TRACE(ToUtf8(text));
        UseFreshHive();
        Store(Earlier);
        TRecordingWizardView view;
        view.Texts = TypedWith(TField::CigaretteQuantity, text);
        TWizard wizard(view);
        wizard.CurrentPanel = TPanel::CigaretteQuantity;
        wizard.NextStep();
        const std::vector<std::string> calls{"Focus(EditCigaretteBoxPrice)",
                                             Shown("CigarettePrice")};
        EXPECT_THAT(view.Calls, ElementsAreArray(calls));
        EXPECT_EQ(Setting->GetCigConsQty(), 7);
    }
}

TEST_F(WizardTest, CreationFillsTheFieldsFromTheStore) {
    struct TCase {
        const char* Name;
        std::function<void()> Prepare;
        std::vector<std::u16string> Texts; // name, birth year, per day, pack count, price
        TDateTime Calendar;                // as set; 0: never set
        std::vector<std::string> Calls;
    };
    const TDateTime now = 45352.5;
    const TCase cases[] = {
        {"nothing stored", [] {}, {u"", u"", u"0", u"0", u"0"}, now, {Shown("Start", false)}},
        {"everything stored",
         [] {
             Store({u"Anna", u"1980", 20, 5.3F, 19, 42005.75, true});
         },
         {u"Anna", u"1980", u"20", u"19", u"5,30000019073486"},
         42005.75,
         {Shown("Start", false)}},
        {"pack count of the wrong type ends the guarded part",
         [] {
             Store({.UserName = u"Anna", .CigConsQty = 20, .CigBoxPrice = 4.5F});
             Setting->WriteStringValue(CigBoxQtyName, u"ab");
         },
         {u"Anna", u"", u"20", u"", u""},
         0,
         {Shown("Start", false), "Message(Fehler beim Holen der Daten f\xC3\xBCr 'CigBoxQty')"}},
        {"stop day of the wrong type",
         [] { Setting->WriteIntegerValue(UserStopTimeName, 5); },
         {u"", u"", u"0", u"0", u"0"},
         0,
         {Shown("Start", false), "Message(Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'UserStopTime')"}},
        // A bad name or birth year must not end the program at every start.
        {"name and birth year of the wrong type",
         [] {
             Setting->WriteIntegerValue(UserNameName, 7);
             Setting->WriteFloatValue(UserDOBName, 1.5F);
             Setting->SetCigConsQty(20);
         },
         {u"", u"", u"20", u"0", u"0"},
         now,
         {Shown("Start", false), "Message(Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'UserName')",
          "Message(Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'UserDOB')"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        c.Prepare();
        TRecordingWizardView view;
        TWizard wizard(view);
        wizard.Create();
        EXPECT_EQ(wizard.CurrentPanel, TPanel::Start);
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
        std::vector<std::u16string> texts;
        for (const TField f : {TField::Username, TField::DOB, TField::CigaretteQuantity,
                               TField::CigaretteBoxQuantity, TField::CigaretteBoxPrice}) {
            texts.push_back(view.FieldText(f));
        }
        EXPECT_EQ(texts, c.Texts);
        EXPECT_EQ(view.Calendar, c.Calendar);
    }
}

TEST_F(WizardTest, CreationSetsThePromptsAndTheFiltersOnTypingOnly) {
    Wizard.Create();
    EXPECT_EQ(
        View.Prompts,
        (std::map<TPrompt, std::u16string>{
            {TPrompt::Username, u"Wie lautet dein Name?"},
            {TPrompt::DOB, u"In welchem Jahr wurdest du geboren?"},
            {TPrompt::CigaretteQuantity, u"Wieviele Zigaretten hast du pro Tag geraucht?"},
            {TPrompt::CigaretteBoxQuantity, u"Wieviele Zigaretten waren in einer Packung?"},
            {TPrompt::CigaretteBoxPrice, u"Wie hoch war der Preis einer Packung?"},
            {TPrompt::StoppingDate, u"An welchem Tag hast du mit dem Rauchen aufgeh\u00F6rt?"},
        }));
    EXPECT_EQ(View.Filters, (std::map<TField, std::u16string>{
                                {TField::DOB, u"0123456789"},
                                {TField::CigaretteQuantity, u"0123456789"},
                                {TField::CigaretteBoxQuantity, u"0123456789"},
                                {TField::CigaretteBoxPrice, u"0123456789,"},
                            }));
}

TEST_F(WizardTest, AStoreFailureOnNameOrFinishEndsTheStepHalfWay) {
    if (!BlockKeyCreation()) {
        GTEST_SKIP() << "this platform's registry cannot be made to refuse the key";
    }
    View.Texts = Typed;
    View.Calendar = CalendarDay;

    // The flow already names the next page; the old page stays shown, the focus unmoved.
    Wizard.CurrentPanel = TPanel::Name;
    EXPECT_THROW(Wizard.NextStep(), Exception);
    EXPECT_EQ(Wizard.CurrentPanel, TPanel::DOB);

    // "Fertig" stores nothing more and does not end the showing.
    Wizard.CurrentPanel = TPanel::Finish;
    EXPECT_THROW(Wizard.NextStep(), Exception);
    EXPECT_EQ(Wizard.CurrentPanel, TPanel::Finish);
    EXPECT_TRUE(View.Calls.empty());
}

TEST_F(WizardTest, GoingBackAndForthStoresEveryPagePassedForwardAgain) {
    Store(Earlier);
    View.Texts = Typed;
    View.Calendar = CalendarDay;
    Wizard.CurrentPanel = TPanel::Finish;
    for (int i = 0; i < 4; ++i) {
        Wizard.PreviousStep();
    }
    EXPECT_EQ(Wizard.CurrentPanel, TPanel::Name);
    EXPECT_EQ(Stored(), Earlier);
    for (int i = 0; i < 5; ++i) {
        Wizard.NextStep();
    }
    EXPECT_EQ(Stored(), (TStored{u"Anna", u"1980", 20, 4.5F, 19, CalendarDay, true}));
    ASSERT_GE(View.Calls.size(), 2U);
    EXPECT_EQ(View.Calls[View.Calls.size() - 2], "EndShowing(1)");
}

TEST_F(WizardTest, DraggingFromAnyPressWithTheLeftButton) {
    Wizard.FormMouseDown(100, 20);
    Wizard.FormMouseMove(false, 300, 300); // no button held: no move
    Wizard.FormMouseMove(true, 110.75F, 15);
    EXPECT_THAT(View.Calls, ElementsAreArray({"WindowCursor(crCross)", "PanelTopCursor(crSizeAll)",
                                              "MoveTo(476, 142)", "MoveTo(476, 137)"}));
}

} // namespace
