#include "WizardTestSupport.h"

#include "engine/LoadDatabase.h"

using namespace wizardtest;

namespace {

TEST(TableListText, EachNameInItsOwnPairOfSemicolonsSizedExactly) {
    EXPECT_EQ(BuildTableList({"A", "B"}), ";A;;B;");
    EXPECT_EQ(BuildTableList({"Order Details"}), ";Order Details;");
    EXPECT_EQ(BuildTableList({}), "");
    EXPECT_EQ(SourceButtons(false), kWizardBack);
    EXPECT_EQ(SourceButtons(true), kWizardBack | kWizardNext);
}

TEST(BrowseFilter, PairsEndInNulsAndTheAceBuildListsItsFileTypes) {
    using namespace std::string_literals;
    EXPECT_EQ(DatabaseFileFilter(false), "MDB (Access) files (*.mdb)\0*.mdb\0All files (*.*)\0*.*\0\0"s);
    EXPECT_NE(DatabaseFileFilter(true).find("\0*.mdb;*.accdb;*.accde;*.accdt;*.accdr\0"s), std::string::npos);
}

class SourcePageTest : public PageTest {
protected:
    FakeSourceControls boxes;
    SourcePage page{settings, sheet, boxes};
    std::string db = folder / "zoo.mdb";
};

TEST_F(SourcePageTest, ACommandLineDatabaseOpensAtOnceWithEveryTableSelectedInListOrder) {
    ZooDatabase(db);
    settings.SourcePath = db;
    page.Initialise();
    EXPECT_EQ(boxes.Path, db);
    EXPECT_EQ(boxes.Names(), (std::vector<std::string>{"Ants", "Zebras"}));
    EXPECT_TRUE(boxes.IsTableSelected(0) && boxes.IsTableSelected(1));
    EXPECT_EQ(Status(), "Source file selection");
    EXPECT_TRUE(sheet.Presses.empty());

    // Chosen against the stored order, written in the order the list shows.
    page.SelectNoTables();
    boxes.Select("Zebras");
    boxes.Select("Ants");
    ASSERT_TRUE(page.WizardNext());
    EXPECT_EQ(settings.TableList, ";Ants;;Zebras;");
    std::string last;
    ASSERT_TRUE(ReadRegistryValue(kLastDatabaseValue, last));
    EXPECT_EQ(last, db);
}

TEST_F(SourcePageTest, TheTablesOptionListsOnlyTheNamedTables) {
    ZooDatabase(db);
    const char* argv[] = {"varnex", db.c_str(), "/TABLES=zebras"};
    ParseOptions(settings, 3, argv);
    page.Initialise();
    EXPECT_EQ(boxes.Names(), (std::vector<std::string>{"Zebras"}));
    // Only the database of the command line: another one lists every table.
    const std::string other = folder / "other.mdb";
    ZooDatabase(other);
    page.PathOrPasswordChanged(other);
    EXPECT_EQ(boxes.Names(), (std::vector<std::string>{"Ants", "Zebras"}));
}

TEST_F(SourcePageTest, TheLastDatabaseIsShownButNotOpenedUntilABoxReports) {
    ZooDatabase(db);
    WriteRegistryValue(kLastDatabaseValue, db);
    AddRecentEntry(db, kRecentDatabases);
    page.Initialise();
    EXPECT_EQ(boxes.Path, db);
    EXPECT_EQ(boxes.TableCount(), 0);
    EXPECT_EQ(boxes.Recent.Items, (std::vector<std::string>{db}));
    EXPECT_FALSE(settings.CurrentDatabase);

    page.PathOrPasswordChanged("");
    EXPECT_EQ(boxes.TableCount(), 0);
    page.PathOrPasswordChanged(db);
    EXPECT_EQ(boxes.TableCount(), 2);
}

TEST_F(SourcePageTest, NextNeedsASelectedTableAndARefusalEndsTheBatchWalk) {
    ZooDatabase(db);
    settings.SourcePath = db;
    settings.Batch = 1;
    page.Initialise();
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);

    page.SelectNoTables();
    page.AfterCommand();
    EXPECT_EQ(sheet.LastButtons(), kWizardBack);
    EXPECT_FALSE(page.WizardNext());
    EXPECT_EQ(settings.Batch, 0);
    EXPECT_FALSE(settings.TableList);

    page.SelectAllTables();
    page.AfterCommand();
    EXPECT_EQ(sheet.LastButtons(), kWizardBack | kWizardNext);
    EXPECT_TRUE(page.WizardNext());
}

TEST_F(SourcePageTest, APasswordFollowsThePasswordBox) {
    ZooDatabase(db)->Password = "secret";
    settings.Password = "secret";
    settings.SourcePath = db;
    page.Initialise();
    EXPECT_EQ(boxes.Password, "secret");
    EXPECT_EQ(boxes.TableCount(), 2);

    EXPECT_EQ(boxes.Reason, "");

    // A wrong password empties the list and says why; correcting it lists
    // the tables again and the reason goes.
    boxes.Password = "wrong";
    page.PathOrPasswordChanged(db);
    EXPECT_EQ(boxes.TableCount(), 0);
    EXPECT_NE(boxes.Reason, "");
    page.AfterCommand();
    EXPECT_EQ(sheet.LastButtons(), kWizardBack);
    boxes.Password = "secret";
    page.PathOrPasswordChanged(db);
    EXPECT_EQ(boxes.TableCount(), 2);
    EXPECT_EQ(boxes.Reason, "");
}

TEST_F(SourcePageTest, AnEmptyListSaysWhyInTheWordsOfTheUnattendedRun) {
    page.Initialise();
    const std::string missing = folder / "missing.mdb";
    page.PathOrPasswordChanged(missing);
    EXPECT_EQ(boxes.TableCount(), 0);
    std::string expected;
    ConversionSettings unattended;
    ASSERT_NE(LoadDatabase(nullptr, unattended, missing, &expected), 0);
    EXPECT_EQ(boxes.Reason, expected);
    EXPECT_FALSE(page.BatchFailed());
    EXPECT_TRUE(sheet.Presses.empty());
}

TEST_F(SourcePageTest, ABatchRunWhoseDatabaseDoesNotOpenEndsFailedWithTheReason) {
    settings.SourcePath = folder / "missing.mdb";
    settings.Batch = 1;
    page.Initialise();
    EXPECT_TRUE(page.BatchFailed());
    EXPECT_EQ(settings.Batch, 0);
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Cancel);
    EXPECT_EQ(Status(), "Failed");
    EXPECT_NE(boxes.Reason, "");
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Reason", "<none>", folder / "status.ini"), boxes.Reason);

    // An interactive run that cannot open the same file waits for the user.
    ConversionSettings interactive;
    interactive.StatusFile = settings.StatusFile;
    RecordingSheet quiet;
    FakeSourceControls other;
    SourcePage waiting(interactive, quiet, other);
    interactive.SourcePath = folder / "missing.mdb";
    waiting.Initialise();
    EXPECT_FALSE(waiting.BatchFailed());
    EXPECT_TRUE(quiet.Presses.empty());
    EXPECT_EQ(Status(), "Source file selection");
}

TEST_F(SourcePageTest, BrowseReportsAFileThatDoesNotOpen) {
    page.Initialise();
    EXPECT_FALSE(page.OpenChosenFile(folder / "missing.mdb"));
    EXPECT_EQ(boxes.Path, folder / "missing.mdb");
    ZooDatabase(db);
    EXPECT_TRUE(page.OpenChosenFile(db));
    EXPECT_EQ(settings.SourcePath.str(), db);
}

TEST_F(SourcePageTest, LeavingMovesTheDatabaseToTheHeadOfTheRecentListWithoutDuplicates) {
    const std::string shouted = UpperAscii(db);
    ZooDatabase(db);
    for (const char* other : {"c.mdb", "b.mdb"})
        AddRecentEntry(other, kRecentDatabases);
    AddRecentEntry(shouted, kRecentDatabases); // third after the next two
    AddRecentEntry("y.mdb", kRecentDatabases);
    AddRecentEntry("x.mdb", kRecentDatabases);
    settings.SourcePath = db;
    page.Initialise();
    ASSERT_TRUE(page.WizardNext());

    RecordingRecentBox recent;
    FillRecentList(recent, kRecentDatabases);
    EXPECT_EQ(recent.Items, (std::vector<std::string>{db, "x.mdb", "y.mdb", "b.mdb", "c.mdb"}));
}

} // namespace
