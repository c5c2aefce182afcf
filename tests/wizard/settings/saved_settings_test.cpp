#include "wizard/SavedSettings.h"
#include "engine/Lengths.h"
#include "platform/Platform.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The recent lists start empty for each test. Where the registry is the
// user's real one (Windows), the lists found are put back afterwards; the
// POSIX stand-in is pointed at the scratch folder instead.
class RecentListsSetAside {
public:
    RecentListsSetAside() {
        for (const char* prefix : kPrefixes)
            for (int i = 0; i < 10; ++i) {
                const std::string name = prefix + std::to_string(i);
                std::string value;
                if (ReadRegistryValue(name, value))
                    kept_.emplace_back(name, value);
                WriteRegistryValue(name, "");
            }
    }
    ~RecentListsSetAside() {
        for (const char* prefix : kPrefixes)
            for (int i = 0; i < 10; ++i)
                WriteRegistryValue(prefix + std::to_string(i), "");
        for (const auto& [name, value] : kept_)
            WriteRegistryValue(name, value);
    }
    RecentListsSetAside(const RecentListsSetAside&) = delete;
    RecentListsSetAside& operator=(const RecentListsSetAside&) = delete;

private:
    static constexpr const char* kPrefixes[] = {"MDBfiles", "CSVdirs"};
    std::vector<std::pair<std::string, std::string>> kept_;
};

class SavedSettingsTest : public ::testing::Test {
protected:
    SavedSettingsTest() { InitSettings(s); }
    std::string Saved(const char* key) { return platform::ReadProfileString("Varnex", key, "<missing>", file); }

    ScratchFolder dir;
    testenv::ScopedEnv config{"XDG_CONFIG_HOME", dir.Path("config")};
    RecentListsSetAside recent;
    std::string file = dir.Path("varnex.ini");
    ConversionSettings s;
};

TEST_F(SavedSettingsTest, TheFileSitsBesideTheProgramUnderItsName) {
    const std::string app = std::string("opt") + platform::PathSeparator + "app";
    const std::string sep(1, platform::PathSeparator);
    EXPECT_EQ(SettingsFilePath(app + sep + "varnex.exe"), app + sep + "varnex.ini");
    EXPECT_EQ(SettingsFilePath(app + sep + "a.b.c"), app + sep + "a.b.ini");
    EXPECT_EQ(SettingsFilePath(app + ".d" + sep + "varnex2007"), app + ".d" + sep + "varnex2007.ini");
}

TEST_F(SavedSettingsTest, AMissingFileGivesTheProgramsOwnDefaults) {
    LoadSettings(s, file);
    EXPECT_EQ(std::vector({s.OverWrite, s.Header, s.DoubleQuotes, s.RemoveTrail, s.RemoveCRLF, s.Open, s.Log,
                           s.CodePage, s.DateFormat}),
              std::vector({1, 0, 1, 1, 1, 1, 0, 0, -1}));
    EXPECT_EQ(s.Fields.str(), ",");
    EXPECT_EQ(s.Records.str(), "CRLF");
    EXPECT_EQ(s.Escape.str(), "\"");
    EXPECT_EQ(s.ReplaceCommaTo.str(), "");
}

TEST_F(SavedSettingsTest, SaveWritesDelimitersByNameAndAnUnsetDateAsTheFirstFormat) {
    s.Records = "\r\n";
    SaveSettings(s, file);
    EXPECT_EQ(Saved("Records"), "CRLF");
    EXPECT_EQ(Saved("Date"), "YYYYMMDD");
    EXPECT_EQ(Saved("ReplaceCommaTo"), "<missing>");
    LoadSettings(s, file);
    EXPECT_EQ(s.DateFormat, 0);

    s.Records = ";";
    s.DateFormat = 12;
    SaveSettings(s, file);
    EXPECT_EQ(Saved("Records"), ";");
    EXPECT_EQ(Saved("Date"), "YYYYMMDD");
}

TEST_F(SavedSettingsTest, EveryWrittenOptionComesBackOnTheNextStart) {
    s.Log = 1;
    s.CodePage = 2;
    s.OverWrite = 2;
    s.Open = 0;
    s.RemoveTrail = 2;
    s.RemoveCRLF = 0;
    s.Header = 1;
    s.DoubleQuotes = 0;
    s.OutputPath = "/home/me/exports/";
    s.Escape = "\"\""; // would lose its quotes to the reader if written bare
    s.Fields = "\t";   // would be stripped as a blank if written bare
    s.Records = "\n";
    s.DateFormat = 4;
    SaveSettings(s, file);

    ConversionSettings next;
    InitSettings(next);
    LoadSettings(next, file);
    EXPECT_EQ(std::vector({next.Log, next.CodePage, next.OverWrite, next.Open, next.RemoveTrail, next.RemoveCRLF,
                           next.Header, next.DoubleQuotes, next.DateFormat}),
              std::vector({1, 2, 2, 0, 2, 0, 1, 0, 4}));
    EXPECT_EQ(next.OutputPath.str(), "/home/me/exports/");
    EXPECT_EQ(next.Escape.str(), "\"\"");
    EXPECT_EQ(next.Fields.str(), "\t");
    EXPECT_EQ(next.Records.str(), "LF");
}

TEST_F(SavedSettingsTest, HandEditedValuesAreReadLenientlyAndOptionsStillWin) {
    WriteBytes(file, "[varnex]\r\ndate=dd/mm/yyyy\r\nReplaceCommaTo=;\r\nFields=" + std::string(40, 'f') +
                         "\r\nHeader=0\r\n");
    LoadSettings(s, file);
    EXPECT_EQ(s.DateFormat, 9);
    EXPECT_EQ(s.ReplaceCommaTo.str(), ";");
    EXPECT_EQ(s.Fields.size(), kDelimiterCapacity);
    const char* argv[] = {"varnex", "/HEADER=1"};
    ParseOptions(s, 2, argv);
    EXPECT_EQ(s.Header, 1);

    WriteBytes(file, "[Varnex]\r\nDate=someday\r\n");
    s.OutputPath = "/current/";
    LoadSettings(s, file);
    EXPECT_EQ(s.DateFormat, 9);
    EXPECT_EQ(s.OutputPath.str(), "/current/");
}

std::vector<std::string> RecentList(const char* prefix) {
    std::vector<std::string> list(10);
    for (int i = 0; i < 10; ++i)
        ReadRegistryValue(prefix + std::to_string(i), list[i]);
    return list;
}

TEST_F(SavedSettingsTest, RecentEntriesMoveToTheHeadWithoutDuplicates) {
    const char* old[] = {"d:\\A.MDB", "b.mdb", "c", "d", "e", "f", "g", "h", "i", "j"};
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(WriteRegistryValue("MDBfiles" + std::to_string(i), old[i]));
    AddRecentEntry("D:\\a.mdb", "MDBfiles");
    EXPECT_EQ(RecentList("MDBfiles"),
              (std::vector<std::string>{"D:\\a.mdb", "b.mdb", "c", "d", "e", "f", "g", "h", "i", "j"}));
    AddRecentEntry("new.mdb", "MDBfiles");
    EXPECT_EQ(RecentList("MDBfiles"),
              (std::vector<std::string>{"new.mdb", "D:\\a.mdb", "b.mdb", "c", "d", "e", "f", "g", "h", "i"}));
}

// A saved output path longer than a path may be is never used cut: the run
// refuses it, unless the command line names another.
TEST_F(SavedSettingsTest, ASavedPathTooLongToUseIsRefusedNotCut) {
    const std::string target(kSystemPathCapacity + 40, 't');
    WriteBytes(file, "[Varnex]\r\nTarget=" + target + "\r\n");
    LoadSettings(s, file);
    EXPECT_TRUE(s.OutputPath.Cut());
    EXPECT_EQ(LengthRefusal(s), "the output path is " + std::to_string(kSystemPathCapacity + 1) +
                                    " characters long; this system takes at most " +
                                    std::to_string(kSystemPathCapacity));
    const char* argv[] = {"varnex", "/PASSWORD=x", "./elsewhere"};
    ParseOptions(s, 3, argv);
    EXPECT_FALSE(s.OutputPath.Cut());
    EXPECT_EQ(LengthRefusal(s), "");
}

TEST_F(SavedSettingsTest, FilledListsSkipEmptyAndOverlongEntries) {
    struct ListBox : RecentListBox {
        void AddString(std::string_view text) override { items.emplace_back(text); }
        std::vector<std::string> items;
    } box;
    AddRecentEntry("/out/one/", "CSVdirs");
    AddRecentEntry("/out/two/", "CSVdirs");
    ASSERT_TRUE(WriteRegistryValue("CSVdirs5", std::string(255, 'x')));
    ASSERT_TRUE(WriteRegistryValue("CSVdirs6", "/out/late/"));
    FillRecentList(box, "CSVdirs");
    EXPECT_EQ(box.items, (std::vector<std::string>{"/out/two/", "/out/one/", "/out/late/"}));
}

} // namespace
