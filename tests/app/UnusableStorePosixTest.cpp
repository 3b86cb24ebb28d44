// A store that exists but cannot be used now (here: its folder open to others) is never taken
// for a first start or for missing figures: the ticker says so and opens no wizard; the wizard
// fills its fields only once the store can be used, and is not shown before.

#include "AppFixture.h"
#include "FakeViews.h"

#include "registry/SqliteHive.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

#include <filesystem>

namespace {

using testing::ElementsAreArray;

const std::string NotPrivate =
    "Der Ordner oder die Datei deiner Einstellungen geh\xC3\xB6rt einem anderen Benutzer oder "
    "steht anderen offen; Pelwick benutzt sie so nicht.";

class UnusableStore : public TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        Store({.UserName = u"Erika", .CigConsQty = 20, .SetupCompl = true});
        Folder = std::filesystem::path(SqliteHivePath()).parent_path();
        Open(true);
    }
    void TearDown() override { Open(false); }
    void Open(bool toOthers) const { ::chmod(Folder.c_str(), toOthers ? 0777 : 0700); }

    std::filesystem::path Folder;
};

TEST_F(UnusableStore, StartUpSaysSoAndOpensNoWizard) {
    TRecordingTickerView view;
    TTicker ticker(view);
    ticker.FormCreate();
    // Reported once, though the first totals fail the same way.
    EXPECT_THAT(view.Calls, ElementsAreArray(std::vector<std::string>{"Box(" + NotPrivate + ")"}));
}

TEST_F(UnusableStore, TheWizardFillsItsFieldsOnlyOnceTheStoreCanBeUsed) {
    TRecordingWizardView view;
    TWizard wizard(view);
    wizard.Create();
    EXPECT_EQ(view.FieldText(TField::Username), u"");
    EXPECT_FALSE(wizard.PrepareShowing()); // not shown: its pages would store empty fields
    Open(false);
    EXPECT_TRUE(wizard.PrepareShowing());
    EXPECT_EQ(view.FieldText(TField::Username), u"Erika");
    EXPECT_EQ(view.FieldText(TField::CigaretteQuantity), u"20");
    const std::vector<std::string> calls{"ShowPage(Start, no previous, Weiter >>)",
                                         "Message(" + NotPrivate + ")"};
    EXPECT_THAT(view.Calls, ElementsAreArray(calls));
}

} // namespace
