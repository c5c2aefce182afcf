#include "WizardTestSupport.h"

using namespace wizardtest;

namespace {

TEST(DelimiterLists, NamesAreFoundInAnyCaseAndOtherTextBecomesOneMoreEntry) {
    ListChoice fields = FieldDelimiterChoice("tab");
    EXPECT_EQ(fields.Entries, (std::vector<std::string>{",", ";", "TAB", "NONE", "PIPE"}));
    EXPECT_EQ(fields.Selected, 2);
    fields = FieldDelimiterChoice("|");
    ASSERT_EQ(fields.Entries.size(), 6u);
    EXPECT_EQ(fields.Entries[5], "|");
    EXPECT_EQ(fields.Selected, 5);
    // A delimiter already resolved to its character is not a name either.
    EXPECT_EQ(FieldDelimiterChoice("\t").Selected, 5);

    ListChoice records = RecordDelimiterChoice("crlf");
    EXPECT_EQ(records.Entries, (std::vector<std::string>{"CRLF", "CR", "LF", "NONE"}));
    EXPECT_EQ(records.Selected, 0);
    records = RecordDelimiterChoice("#");
    EXPECT_EQ(records.Entries.size(), 5u);
    EXPECT_EQ(records.Selected, 4);
}

TEST(DateAndTrimmingLists, IndexSelectsAndOutOfRangeSelectsNothing) {
    EXPECT_EQ(DateFormatChoice(9).Entries.size(), 10u);
    EXPECT_EQ(DateFormatChoice(9).Entries[9], "DD/MM/YYYY");
    EXPECT_EQ(DateFormatChoice(9).Selected, 9);
    EXPECT_EQ(DateFormatChoice(10).Selected, -1);
    EXPECT_EQ(TrimmingChoice(2).Entries[2], "Remove leading and traling spaces");
    EXPECT_EQ(TrimmingChoice(-1).Selected, -1);
}

TEST(DateOrderPreselect, FollowsTheLocalesShortDateOrder) {
    EXPECT_EQ(DateFormatForDateOrder("1"), 1); // day-month-year: YYYY.MM.DD
    EXPECT_EQ(DateFormatForDateOrder("2"), 3); // year-month-day: MM-DD-YYYY
    EXPECT_EQ(DateFormatForDateOrder("0"), 2); // month-day-year: MM.DD.YYYY
    EXPECT_EQ(DateFormatForDateOrder(""), 2);
    EXPECT_EQ(DateFormatForDateOrder("12"), 2);
}

TEST(DirectoryBox, OneTrailingBackslashGoesAndTheBoxEnablesNext) {
    EXPECT_EQ(DirectoryFromBox("C:\\out\\"), "C:\\out");
    EXPECT_EQ(DirectoryFromBox("C:\\out\\\\"), "C:\\out\\");
    EXPECT_EQ(DirectoryFromBox(std::string(400, 'd')).size(), 259u);
    EXPECT_EQ(OutputButtons(""), kWizardBack);
    EXPECT_EQ(OutputButtons("x"), kWizardBack | kWizardNext);
    EXPECT_EQ(CodePageButton(2), 2);
    EXPECT_EQ(CodePageButton(3), -1);
    EXPECT_EQ(CodePageButton(-1), -1);
}

class OutputPageTest : public PageTest {
protected:
    OutputPage page{settings, sheet};
    RecordingRecentBox recent;
};

TEST_F(OutputPageTest, InitialisationShowsTheRecordAndPreselectsTheDate) {
    settings.Fields = "|";
    settings.Records = "crlf";
    settings.RemoveCRLF = 2;
    settings.CodePage = 7;
    settings.DateFormat = -1;
    settings.OutputPath = "D:\\csv";
    WriteRegistryValue(kLastFolderValue, "E:\\last");
    AddRecentEntry("E:\\last", kRecentFolders);

    const OutputPageView view = page.Initialise("1", recent);
    EXPECT_EQ(view.FieldDelimiters.Selected, 5);
    EXPECT_EQ(view.RecordDelimiters.Selected, 0);
    EXPECT_TRUE(view.RemoveCRLF);
    EXPECT_EQ(settings.RemoveCRLF, 2); // unchanged until the box is clicked
    EXPECT_EQ(view.CodePageButton, -1);
    EXPECT_EQ(settings.DateFormat, 1);
    EXPECT_EQ(view.DateFormats.Selected, 1);
    EXPECT_EQ(view.Directory, "D:\\csv");
    EXPECT_EQ(recent.Items, (std::vector<std::string>{"E:\\last"}));
    EXPECT_EQ(Status(), "Output file selection");
    EXPECT_TRUE(sheet.Presses.empty());

    page.RemoveCRLFClicked(true);
    EXPECT_EQ(settings.RemoveCRLF, 1);
    page.CodePageChosen(2);
    page.DateFormatChosen(7);
    page.TrimmingChosen(0);
    page.OverWriteClicked(false);
    EXPECT_EQ(settings.CodePage, 2);
    EXPECT_EQ(settings.DateFormat, 7);
    EXPECT_EQ(settings.RemoveTrail, 0);
    EXPECT_EQ(settings.OverWrite, 0);
}

TEST_F(OutputPageTest, AChosenDateFormatIsKeptAndTheLastFolderIsOffered) {
    settings.DateFormat = 8;
    WriteRegistryValue(kLastFolderValue, "E:\\last\\");
    settings.Batch = 1;
    const OutputPageView view = page.Initialise("1", recent);
    EXPECT_EQ(settings.DateFormat, 8);
    EXPECT_EQ(view.Directory, "E:\\last\\");
    EXPECT_EQ(settings.OutputPath.str(), "E:\\last");
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);
}

TEST_F(OutputPageTest, TheDirectoryBoxDrivesOutputPathAndNext) {
    page.Initialise("0", recent);
    page.AfterCommand("C:\\data\\");
    EXPECT_EQ(settings.OutputPath.str(), "C:\\data");
    EXPECT_EQ(sheet.LastButtons(), kWizardBack | kWizardNext);
    // Emptied: Next goes off, the folder stays what it was.
    page.AfterCommand("");
    EXPECT_EQ(settings.OutputPath.str(), "C:\\data");
    EXPECT_EQ(sheet.LastButtons(), kWizardBack);
}

TEST_F(OutputPageTest, NextResolvesTheDelimitersAndRemembersTheFolder) {
    settings.Batch = 1;
    page.Initialise("0", recent);
    page.AfterCommand("C:\\a");
    ASSERT_TRUE(page.WizardNext("tab", "LF", "\\"));
    EXPECT_EQ(settings.Fields.str(), "\t");
    EXPECT_EQ(settings.Records.str(), "\n");
    EXPECT_EQ(settings.Escape.str(), "\\");
    // Back and Next again reads the boxes' names afresh: the same characters.
    ASSERT_TRUE(page.WizardNext("tab", "LF", "\\"));
    EXPECT_EQ(settings.Fields.str(), "\t");
    ASSERT_TRUE(page.WizardNext("PIPE", "NONE", ""));
    EXPECT_EQ(settings.Fields.str(), "|");
    EXPECT_EQ(settings.Records.str(), "");
    ASSERT_TRUE(page.WizardNext("|", ";;", std::string(40, 'e')));
    EXPECT_EQ(settings.Fields.str(), "|");
    EXPECT_EQ(settings.Records.str(), ";;");
    EXPECT_EQ(settings.Escape.size(), kBoxReadLimit);

    std::string last;
    ASSERT_TRUE(ReadRegistryValue(kLastFolderValue, last));
    EXPECT_EQ(last, "C:\\a");
    EXPECT_EQ(settings.Batch, 1);
}

TEST_F(OutputPageTest, NextWithoutAFolderIsRefusedAndEndsTheBatchWalk) {
    settings.Batch = 1;
    page.Initialise("0", recent);
    page.AfterCommand("\\");
    EXPECT_EQ(sheet.LastButtons(), kWizardBack | kWizardNext);
    EXPECT_FALSE(page.WizardNext(",", "CRLF", "\""));
    EXPECT_EQ(settings.Batch, 0);
    EXPECT_EQ(settings.Fields.str(), ","); // nothing resolved
    EXPECT_EQ(LastOutputFolder().value_or(""), "");
}

} // namespace
