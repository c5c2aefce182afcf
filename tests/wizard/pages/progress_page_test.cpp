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

// The page's display: the run reports every record, the controls are
// redrawn 20 times a second at most and end as per-record redraws leave them.
TEST(ThrottledProgressTest, ABigTableRedrawsTwentyTimesASecondAndEndsWhereItWouldRecordByRecord) {
    RecordingControls controls;
    FakeClock clock;
    ThrottledProgress display(controls, clock.Make(), nullptr);
    display.SetCurrentFileText("Big -> /out/Big.csv");
    display.ProgressStartTable(100000);
    // 100000 records over three seconds, 30 microseconds each.
    for (int32_t written = 1; written <= 100000; ++written) {
        if (written % 100 == 0)
            clock.Milliseconds += 3; // whole milliseconds, as the tick counter gives them
        display.ProgressRecords(written);
    }
    display.ProgressEndTable();
    display.Flush();

    EXPECT_LE(controls.Bars.size(), 3u * 20u + 2u);
    EXPECT_GE(controls.Bars.size(), 3u * 20u - 2u);
    // The bar jumps forward to the records written and ends full.
    for (std::size_t i = 1; i < controls.Bars.size(); ++i)
        EXPECT_GT(controls.Bars[i].second, controls.Bars[i - 1].second);
    EXPECT_EQ(controls.Bars.back(), std::make_pair(100000, 100000));
    EXPECT_EQ(controls.FileTexts, std::vector<std::string>{"Big -> /out/Big.csv"});
    // One change a second once two have passed: at 2 s and at 3 s.
    ASSERT_EQ(controls.Times.size(), 2u);
    EXPECT_EQ(controls.Times.back(), FormatTimes(3, 3));
}

TEST(ThrottledProgressTest, ManyQuickTablesRedrawOnceThenFlushTheLastState) {
    RecordingControls controls;
    FakeClock clock;
    ThrottledProgress display(controls, clock.Make(), nullptr);
    for (int table = 1; table <= 50; ++table) {
        display.SetCurrentFileText("T" + std::to_string(table) + " -> /out/T.csv");
        display.ProgressStartTable(table);
        for (int32_t written = 1; written <= table; ++written)
            display.ProgressRecords(written);
        display.ProgressEndTable();
    }
    // The clock did not move: the first call drew, the rest waited.
    EXPECT_EQ(controls.FileTexts, std::vector<std::string>{"T1 -> /out/T.csv"});
    EXPECT_EQ(controls.Bars.size(), 0u) << "the first redraw came before the first table started";
    display.Flush();
    EXPECT_EQ(controls.FileTexts.back(), "T50 -> /out/T.csv");
    EXPECT_EQ(controls.Bars, (std::vector<std::pair<int32_t, int32_t>>{{50, 50}}));
    EXPECT_TRUE(controls.Times.empty());

    // A flush with nothing new redraws nothing.
    display.Flush();
    EXPECT_EQ(controls.FileTexts.size(), 2u);
    EXPECT_EQ(controls.Bars.size(), 1u);

    // A new table shows its own range from zero at the next redraw.
    clock.Milliseconds += ThrottledProgress::kGapMilliseconds;
    display.ProgressStartTable(7);
    EXPECT_EQ(controls.Bars.back(), std::make_pair(7, 0));
}

TEST(ThrottledProgressTest, TheLastSecondOfATableShowsInItsTimesEvenBetweenRedraws) {
    RecordingControls controls;
    FakeClock clock;
    ThrottledProgress display(controls, clock.Make(), nullptr);
    display.ProgressStartTable(10);
    clock.Milliseconds = 2990;
    display.ProgressRecords(9);
    ASSERT_EQ(controls.Times, std::vector<std::string>{FormatTimes(2, 2)});
    // The last record comes 20 ms later, in the next second: no redraw is due,
    // but a record-by-record page would have shown the new second.
    clock.Milliseconds = 3010;
    display.ProgressRecords(10);
    EXPECT_EQ(controls.Times.size(), 1u);
    display.ProgressEndTable();
    EXPECT_EQ(controls.Times.back(), FormatTimes(3, 3));
    // Between tables the text stays.
    clock.Milliseconds = 9000;
    display.Flush();
    EXPECT_EQ(controls.Times.size(), 2u);
    EXPECT_EQ(controls.Bars.back(), std::make_pair(10, 10));
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
    settings.StatusFile = folder / "status.ini";

    ProgressPage page(settings, sheet);
    RecordingControls controls;
    FakeClock clock;
    int owner = 0;
    page.SetActive(controls, clock.Make(), &owner);
    ASSERT_NE(settings.ProgressWindow, nullptr);
    EXPECT_EQ(settings.ProgressWindow->Handle(), &owner);
    EXPECT_EQ(sheet.Buttons, (std::vector<unsigned>{0u}));
    page.RunWorker();
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);
    EXPECT_EQ(page.Outcome().TablesDone, 1);
    EXPECT_EQ(page.Outcome().RecordsDone, 3);
    EXPECT_TRUE(page.Outcome().Succeeded());
    // The clock never moved, yet the page ends on the table's last state.
    ASSERT_FALSE(controls.FileTexts.empty());
    EXPECT_EQ(controls.FileTexts.back(), "Ants -> " + (folder / "Ants.csv"));
    ASSERT_FALSE(controls.Bars.empty());
    EXPECT_EQ(controls.Bars.back(), std::make_pair(3, 3));
    // The completion page writes the run's result; until then it is in progress.
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", folder / "status.ini"), "Conversion In Progress");

    EXPECT_TRUE(page.QueryCancel());
    EXPECT_EQ(settings.StopRequested.load(), 1);
}

TEST_F(ProgressPageTest, ARunThatNeverStartedEndsOnTheCompletionPageAsFailed) {
    ProgressPage page(settings, sheet);
    RecordingControls controls;
    FakeClock clock;
    page.SetActive(controls, clock.Make(), nullptr);
    page.WorkerNotStarted();
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);
    EXPECT_STREQ(CompletionStatus(page.Outcome()), "Failed");
    EXPECT_EQ(FailureSummary(page.Outcome()), "the conversion could not be started");
}

} // namespace
