#include "WizardTestSupport.h"

using namespace wizardtest;

namespace {

TEST(TimeDisplayText, NothingBeforeTwoWholeSecondsThenElapsedAndWholeTableEstimate) {
    TimeDisplay times;
    EXPECT_FALSE(times.Update(1000, 1000, 5, 1000));
    EXPECT_FALSE(times.Update(1000, 1001, 10, 1000));
    EXPECT_EQ(times.Update(1000, 1010, 250, 1000),
              std::optional<std::string>("Elapsed time:\t00:00:10\nEstimated time:\t00:00:40"));
    // At most one change per second, however many records pass.
    EXPECT_FALSE(times.Update(1000, 1010, 260, 1000));
    EXPECT_TRUE(times.Update(1000, 1011, 270, 1000));
}

TEST(TimeDisplayText, ARecordCountOfZeroDoesNotTakeUpTheSecond) {
    TimeDisplay times;
    EXPECT_FALSE(times.Update(1000, 1005, 0, 10));
    // The same second is still open to the first record that counts.
    EXPECT_TRUE(times.Update(1000, 1005, 1, 10));
}

TEST(TimeDisplayText, HoursGoPast24AndLargeTablesDoNotOverflow) {
    EXPECT_EQ(FormatTimes(3661, 30 * 3600), "Elapsed time:\t01:01:01\nEstimated time:\t30:00:00");
    TimeDisplay times;
    // 100000 seconds for 1 of 2^31-1 records: the product needs 64 bits.
    const std::optional<std::string> text = times.Update(0, 100000, 1, 2147483647);
    ASSERT_TRUE(text);
    const int64_t estimated = int64_t{100000} * 2147483647;
    EXPECT_EQ(*text, FormatTimes(100000, estimated));
    EXPECT_NE(text->find("Estimated time:\t59652323527:"), std::string::npos) << *text;
    // A clock that went back shows nothing.
    EXPECT_FALSE(times.Update(500, 400, 3, 10));
}

class ProgressPageTest : public PageTest {};

TEST_F(ProgressPageTest, TheWorkerRunsTheListedTablesAndPressesNextAfterKeepingTheOutcome) {
    const std::string db = folder / "zoo.mdb";
    ZooDatabase(db);
    settings.CurrentDatabase = memdb::Engine().OpenDatabase(memdb::Widen(db), 1, true, std::nullopt);
    settings.SourcePath = db;
    settings.OutputPath = folder.Path();
    settings.TableList = ";Ants;";
    settings.Fields = ",";
    settings.Records = "\r\n";

    ProgressPage page(settings, sheet);
    SheetProgress display(sheet);
    page.SetActive(display);
    EXPECT_EQ(settings.ProgressWindow, &display);
    EXPECT_EQ(sheet.Buttons, (std::vector<unsigned>{0u}));
    page.RunWorker();
    EXPECT_EQ(sheet.Buttons, (std::vector<unsigned>{0u, 0u}));
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);
    EXPECT_EQ(page.Outcome().TablesDone, 1);
    EXPECT_EQ(page.Outcome().RecordsDone, 3);
    EXPECT_TRUE(page.Outcome().Succeeded());
    ASSERT_EQ(display.FileTexts.size(), 1u);
    EXPECT_EQ(display.FileTexts[0], "Ants -> " + (folder / "Ants.csv"));

    EXPECT_TRUE(page.QueryCancel());
    EXPECT_EQ(settings.StopRequested.load(), 1);
}

TEST_F(ProgressPageTest, ARunThatNeverStartedEndsOnTheCompletionPageAsFailed) {
    ProgressPage page(settings, sheet);
    SheetProgress display(sheet);
    page.SetActive(display);
    page.WorkerNotStarted();
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_STREQ(CompletionStatus(page.Outcome()), "Failed");
    EXPECT_EQ(FailureSummary(page.Outcome()), "the conversion could not be started");
}

} // namespace
