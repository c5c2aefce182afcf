#include "WizardTestSupport.h"

#include "engine/OutputNames.h"

using namespace wizardtest;

namespace {

TEST(CompletionResult, CountsLineAndStatusFollowTheOutcome) {
    EXPECT_EQ(ResultLine(0, 0), "0 records have been exported.");
    EXPECT_EQ(ResultLine(0, 12), "0 records have been exported.");
    EXPECT_EQ(ResultLine(2, 5), "2 tables (5 records) have been imported.");

    ConversionOutcome outcome;
    EXPECT_STREQ(CompletionStatus(outcome), "Successful");
    outcome.TablesFailed = 1;
    EXPECT_STREQ(CompletionStatus(outcome), "Failed");
    outcome = {};
    outcome.FilesFailed = 1;
    EXPECT_STREQ(CompletionStatus(outcome), "Failed");
    outcome = {};
    outcome.Stopped = true;
    EXPECT_STREQ(CompletionStatus(outcome), "Failed");
}

TEST(CompletionResult, FailureSummaryNamesEachFailureUpToItsBound) {
    ConversionOutcome outcome;
    EXPECT_EQ(FailureSummary(outcome), "");
    outcome.Failures = {{"a.mdb", "", "cannot open"}, {"a.mdb", "T", "file not created"}, {"b.mdb", "U", "x"}};
    EXPECT_EQ(FailureSummary(outcome), "a.mdb: cannot open\na.mdb: T: file not created\nb.mdb: U: x");
    EXPECT_EQ(FailureSummary(outcome, 1), "a.mdb: cannot open\n... and 2 more");
}

TEST(CompletionResult, FailureTextTellsCountsFailuresWarningsAndNotesEachBounded) {
    ConversionOutcome outcome;
    EXPECT_EQ(CompletionFailureText(outcome), "");
    outcome.TablesFailed = 1;
    outcome.Failures = {{"a.mdb", "T", "x"}};
    outcome.Warnings = {"w1", "w2", "w3"};
    outcome.Notes = {"table X is written to Y"};
    EXPECT_EQ(CompletionFailureText(outcome),
              "1 table(s) could not be converted.\na.mdb: T: x\nw1\nw2\n... and 1 more\ntable X is written to Y");
    // Warnings alone: a stopped run with nothing failed still has its say.
    outcome = {};
    outcome.Stopped = true;
    outcome.Warnings = {"w1"};
    EXPECT_EQ(CompletionFailureText(outcome), "w1");
}

class ParameterTextTest : public ::testing::Test {
protected:
    ParameterTextTest() {
        s.OverWrite = 0;
        s.DateFormat = 0;
        s.CodePage = 0;
        s.ExportRecords = 1;
        s.Open = 1;
    }
    ConversionSettings s;
};

TEST_F(ParameterTextTest, TheSmallestTextHasItsItemsInOrderAndNothingElse) {
    EXPECT_EQ(ParameterText(s), "/OVERWRITE=0 /YYYYMMDD /ASIS /OPEN=1 \n/SILENT ");
}

TEST_F(ParameterTextTest, EveryItemInItsPlace) {
    s.OverWrite = 2;
    s.DateFormat = 2;
    s.CodePage = 2;
    s.ExportRecords = 0;
    s.MaxLen = 40;
    s.Order = "Name";
    s.TypeChanges = {"Long=Text", "Date=Text"};
    s.StatusFile = "C:\\s.log";
    s.Open = 0;
    s.Batch = 1;
    s.Wait = 1;
    EXPECT_EQ(ParameterText(s), "/OVERWRITE=1 /MM.DD.YYYY /OEM /RECORDS=0 /MAXLEN=40 /ORDER=Name /CT:Long=Text "
                                "/CT:Date=Text /STATUS=C:\\s.log /OPEN=0 /BATCH /WAIT \n/SILENT ");
}

TEST_F(ParameterTextTest, DateFormatsAndCodePagesOutsideTheNamedOnes) {
    const std::pair<int32_t, const char*> dates[] = {
        {1, "/YYYY.MM.DD "}, {3, "/MM-DD-YYYY "}, {9, "/DD/MM/YYYY "}, {-1, nullptr}};
    for (const auto& [format, option] : dates) {
        s.DateFormat = format;
        const std::string text = ParameterText(s);
        if (option)
            EXPECT_NE(text.find(option), std::string::npos) << format;
        else
            EXPECT_EQ(text, "/OVERWRITE=0 /ASIS /OPEN=1 \n/SILENT ");
    }
    s.DateFormat = 0;
    s.CodePage = 1;
    EXPECT_NE(ParameterText(s).find("/ANSI "), std::string::npos);
    s.CodePage = 5;
    EXPECT_EQ(ParameterText(s), "/OVERWRITE=0 /YYYYMMDD /OPEN=1 \n/SILENT ");
}

TEST_F(ParameterTextTest, AValueWithABlankStaysOneArgument) {
    s.StatusFile = "C:\\My Files\\status.log";
    s.Order = "Name DESC";
    const std::string text = ParameterText(s);
    EXPECT_NE(text.find("\"/ORDER=Name DESC\" "), std::string::npos);
    EXPECT_NE(text.find("\"/STATUS=C:\\My Files\\status.log\" "), std::string::npos);
}

TEST_F(ParameterTextTest, ManyLongRulesNeverOverrunTheBoundAndAreNeverCut) {
    for (int i = 0; i < 100; ++i)
        s.TypeChanges.push_back("Field" + std::to_string(i) + "=" + std::string(200, 'T'));
    s.TypeChanges.push_back("Short=Text");
    s.Wait = 1;
    int32_t omitted = -1;
    const std::string text = ParameterText(s, &omitted);
    EXPECT_LE(text.size(), kParameterTextLimit - 1);
    EXPECT_GT(omitted, 0);
    // The items after the rules and the closing line survive.
    EXPECT_NE(text.find("/OPEN=1 /WAIT \n/SILENT "), std::string::npos);
    // Whole rules only; the short one behind the long ones still fits.
    EXPECT_NE(text.find("/CT:Short=Text "), std::string::npos);
    std::size_t rules = 0;
    for (std::size_t at = text.find("/CT:"); at != std::string::npos; at = text.find("/CT:", at + 1)) {
        const std::string rule = text.substr(at + 4, text.find(' ', at) - at - 4);
        EXPECT_NE(std::find(s.TypeChanges.begin(), s.TypeChanges.end(), rule), s.TypeChanges.end()) << rule;
        ++rules;
    }
    EXPECT_EQ(rules + static_cast<std::size_t>(omitted), s.TypeChanges.size());
}

class FilesToOpenTest : public PageTest {};

TEST_F(FilesToOpenTest, OneFilePerTableNamedAsTheExportNamesThem) {
    settings.OutputPath = "out";
    settings.TableList = ";Ants;;Zebras;";
    const std::string sep(1, platform::PathSeparator);
    EXPECT_EQ(FilesToOpen(settings), (std::vector<std::string>{"out" + sep + "Ants.csv", "out" + sep + "Zebras.csv"}));
    settings.Extension = ".txt";
    settings.OutputFileName = "named.txt";
    EXPECT_EQ(FilesToOpen(settings), (std::vector<std::string>{"named.txt", "out" + sep + "Zebras.txt"}));
    EXPECT_FALSE(settings.OutputFileName);
    settings.TableList.reset();
    EXPECT_TRUE(FilesToOpen(settings).empty());
    EXPECT_EQ(OpenAsParameters("C:\\o\\A.csv"), "shell32,OpenAs_RunDLL C:\\o\\A.csv");
}

TEST_F(FilesToOpenTest, TheFilesOpenedAreTheOnesTheRunWrote) {
    settings.OutputPath = "out";
    settings.TableList = ";Muffin/Bread;;Orders;;Later;";
    const std::string sep(1, platform::PathSeparator);
    // The run gave Orders another name, its own being the named file's.
    ClaimNamedFile(settings, "out" + sep + "Orders.csv", "Customers");
    EXPECT_EQ(ClaimTableFile(settings, "out", "Orders"), "out" + sep + "Orders~2.csv");
    EXPECT_EQ(FilesToOpen(settings),
              (std::vector<std::string>{"out" + sep + "Muffin_Bread.csv", "out" + sep + "Orders~2.csv",
                                        "out" + sep + "Later.csv"}));

    ConversionOutcome outcome;
    EXPECT_EQ(NoteSummary(outcome), "");
    outcome.Notes = {"table A/B is written to out/A_B.csv", "table C is written to out/C~2.csv", "table D..."};
    EXPECT_EQ(NoteSummary(outcome, 2),
              "table A/B is written to out/A_B.csv\ntable C is written to out/C~2.csv\n... and 1 more");
}

TEST_F(FilesToOpenTest, FinishOpensOnlyWrittenFilesAndFallsBackToOpenWith) {
    settings.OutputPath = folder.Path();
    settings.TableList = ";Ants;;Zebras;";
    settings.FilesWritten = {folder / "Zebras.csv"}; // Ants failed before its file was made
    CompletionPage page(settings, sheet, folder / "varnex.ini");
    RecordingOpener opener;
    opener.OpenSucceeds = false;
    page.WizardFinish(false, true, opener);
    EXPECT_EQ(opener.Opened, (std::vector<std::string>{folder / "Zebras.csv"}));
    EXPECT_EQ(opener.OpenedWith, (std::vector<std::string>{"shell32,OpenAs_RunDLL " + (folder / "Zebras.csv")}));
    EXPECT_FALSE(enginetest::Exists(folder / "varnex.ini"));
}

TEST_F(FilesToOpenTest, FinishSavesOnlyWhenAskedAndKeepsOpenAsShown) {
    settings.Open = 1;
    settings.Fields = ";";
    CompletionPage page(settings, sheet, folder / "varnex.ini");
    EXPECT_TRUE(page.Initialise());
    EXPECT_TRUE(sheet.Presses.empty());
    RecordingOpener opener;
    // "Open new file" unticked for this Finish: Open itself stays 1.
    page.WizardFinish(true, false, opener);
    EXPECT_TRUE(opener.Opened.empty());
    EXPECT_EQ(platform::ReadProfileString("Common", "Open", "", folder / "varnex.ini"), "1");
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Fields", "", folder / "varnex.ini"), ";");
}

TEST_F(FilesToOpenTest, TheCompletionStatusKeepsAFailure) {
    CompletionPage page(settings, sheet, folder / "varnex.ini");
    ConversionOutcome outcome;
    outcome.TablesDone = 2;
    outcome.RecordsDone = 7;
    outcome.TablesFailed = 1;
    EXPECT_EQ(page.SetActive(outcome), "2 tables (7 records) have been imported.");
    EXPECT_EQ(Status(), "Failed");
    EXPECT_EQ(sheet.LastButtons(), kWizardFinish);
    outcome.TablesFailed = 0;
    page.SetActive(outcome);
    EXPECT_EQ(Status(), "Successful");
}

// Ctrl+Break during a batch run's first table: the page is the one place
// that shows the stop, so the first file text it shows stops the run.
class StoppingControls : public RecordingControls {
public:
    explicit StoppingControls(ConversionSettings& settings) : settings_(settings) {}
    void ShowFileText(std::string_view text) override {
        RecordingControls::ShowFileText(text);
        settings_.StopRequested = 1;
    }

private:
    ConversionSettings& settings_;
};

TEST_F(FilesToOpenTest, AStoppedAppendIsCutBackAndTheCompletionTextSaysSoInTheUnattendedWords) {
    const std::string db = folder / "zoo.mdb";
    ZooDatabase(db);
    settings.CurrentDatabase = memdb::Engine().OpenDatabase(memdb::Widen(db), 1, true, std::nullopt);
    settings.SourcePath = db;
    settings.OutputPath = folder.Path();
    settings.OverWrite = 0;
    settings.TableList = ";Ants;";
    settings.Fields = ",";
    settings.Records = "\r\n";
    const std::string target = folder / "Ants.csv";
    WriteAll(target, "earlier\r\n");

    ProgressPage progress(settings, sheet);
    StoppingControls controls(settings);
    FakeClock clock;
    progress.SetActive(controls, clock.Make(), nullptr);
    progress.RunWorker();
    const ConversionOutcome& outcome = progress.Outcome();
    EXPECT_TRUE(outcome.Stopped);
    EXPECT_EQ(ReadAll(target), "earlier\r\n");

    CompletionPage page(settings, sheet, folder / "varnex.ini");
    page.SetActive(outcome);
    EXPECT_EQ(Status(), "Failed");
    const std::string text = CompletionFailureText(outcome);
    ASSERT_EQ(outcome.Warnings.size(), 1u);
    EXPECT_EQ(text, outcome.Warnings[0]);
    EXPECT_NE(text.find(": table Ants: stopped; " + target + " is cut back to the 9 bytes it had before this table"),
              std::string::npos)
        << text;
}

} // namespace
