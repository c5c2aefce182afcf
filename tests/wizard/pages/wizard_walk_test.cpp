#include "WizardTestSupport.h"

using namespace wizardtest;

namespace {

TEST_F(WizardWalkTest, ABatchRunWalksEveryPageConvertsOpensAndCloses) {
    settings.Batch = 1;
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Closed);
    EXPECT_EQ(sheet.Buttons, (std::vector<unsigned>{kWizardNext, kWizardBack | kWizardNext, kWizardBack | kWizardNext,
                                                    0u, kWizardFinish}));
    EXPECT_EQ(settings.TableList, ";Ants;;Zebras;");
    EXPECT_EQ(ReadAll(out + platform::PathSeparator + "Ants.csv"), "Count\r\n100\r\n7\r\n12\r\n");
    EXPECT_EQ(wizard.ResultText, "2 tables (5 records) have been imported.");
    EXPECT_EQ(Status(), "Successful");
    // Open is set by default: the new files open as after a Finish by hand.
    const std::string sep(1, platform::PathSeparator);
    EXPECT_EQ(wizard.Opener.Opened, (std::vector<std::string>{out + sep + "Ants.csv", out + sep + "Zebras.csv"}));
    // Nothing is saved unless asked for.
    EXPECT_FALSE(enginetest::Exists(settingsFile));
}

TEST_F(WizardWalkTest, WaitKeepsABatchRunOnTheCompletionPage) {
    settings.Batch = 1;
    settings.Wait = 1;
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Completion);
    EXPECT_EQ(sheet.LastButtons(), kWizardFinish);
    EXPECT_TRUE(wizard.Opener.Opened.empty());
    wizard.PressFinish();
    EXPECT_EQ(wizard.Opener.Opened.size(), 2u);
}

TEST_F(WizardWalkTest, OpenOffConvertsWithoutOpeningAnything) {
    const char* argv[] = {"varnex", "/BATCH", "/OPEN=0"};
    ParseOptions(settings, 3, argv);
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Closed);
    EXPECT_TRUE(wizard.Opener.Opened.empty());
    EXPECT_TRUE(enginetest::Exists(out + platform::PathSeparator + "Zebras.csv"));
}

TEST_F(WizardWalkTest, WithoutBatchTheWizardWaitsOnTheWelcomePageWithThePathsPreset) {
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Welcome);
    EXPECT_EQ(Status(), "Welcome dialog");
    wizard.PressNext();
    EXPECT_EQ(wizard.SourceBoxes.Path, db);
    EXPECT_EQ(wizard.SourceBoxes.TableCount(), 2);
    wizard.PressNext();
    EXPECT_EQ(wizard.Current, WizardDriver::Output);
    EXPECT_EQ(wizard.View.Directory, out);
    // Back and forth: no page presses anything twice.
    wizard.Current = WizardDriver::Source;
    wizard.PressNext();
    EXPECT_EQ(wizard.Current, WizardDriver::Output);
    EXPECT_FALSE(enginetest::Exists(out + platform::PathSeparator + "Ants.csv"));
}

TEST_F(WizardWalkTest, ABatchRunStopsWhereAPageCannotGoOnAndWaitsForTheUser) {
    // The database opens, but none of its tables is the one asked for: the
    // source page refuses Next, and the user may choose another database.
    const char* argv[] = {"varnex", "/BATCH", "/TABLES=Lions"};
    ParseOptions(settings, 3, argv);
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Source);
    EXPECT_EQ(wizard.SourceBoxes.TableCount(), 0);
    EXPECT_EQ(settings.Batch, 0);
    EXPECT_EQ(Status(), "Source file selection");

    const std::string other = folder / "other.mdb";
    ZooDatabase(other);
    ASSERT_TRUE(wizard.SourceLogic().OpenChosenFile(other));
    wizard.PressNext();
    EXPECT_EQ(wizard.Current, WizardDriver::Output); // no longer walks by itself
    wizard.PressNext();
    EXPECT_EQ(wizard.Current, WizardDriver::Completion);
    EXPECT_EQ(Status(), "Successful");
}

TEST_F(WizardWalkTest, ABatchRunWhoseDatabaseDoesNotOpenEndsFailedWithoutConverting) {
    settings.Batch = 1;
    settings.SourcePath = folder / "missing.mdb";
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Closed);
    EXPECT_EQ(Status(), "Failed");
    EXPECT_FALSE(enginetest::Exists(out + platform::PathSeparator + "Ants.csv"));
}

} // namespace
