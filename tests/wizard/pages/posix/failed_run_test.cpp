// Failures during the run raise message boxes where there is a window
// system; here they go to stderr, so the run can end on its own.

#include "tests/wizard/pages/WizardTestSupport.h"

using namespace wizardtest;

namespace {

TEST_F(WizardWalkTest, AFailedTableLeavesFailedAsTheResultAndOpensWhatWasWritten) {
    memdb::Find(db)->Tables[1].OpenRecordsetFailure = memdb::kInvalidOperation; // Ants
    settings.Batch = 1;
    settings.OutputPath = folder / "nowhere";
    wizard.Start();
    EXPECT_EQ(wizard.Current, WizardDriver::Closed);
    EXPECT_EQ(Status(), "Failed");
    EXPECT_TRUE(wizard.Opener.Opened.empty()); // no file could be made in a missing folder

    // Only the table whose records failed: its header file stays and opens.
    ConversionSettings second;
    InitSettings(second);
    second.StatusFile = folder / "status.ini";
    second.SourcePath = db;
    second.OutputPath = out;
    second.Batch = 1;
    RecordingSheet secondSheet;
    WizardDriver again(second, secondSheet, settingsFile);
    again.Start();
    EXPECT_EQ(Status(), "Failed");
    EXPECT_EQ(again.ResultText, "2 tables (2 records) have been imported.");
    EXPECT_EQ(again.Opener.Opened.size(), 2u);
}

} // namespace
