#include "engine/Lengths.h"
#include "engine/Settings.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() { InitSettings(s); }

    void Parse(std::initializer_list<const char*> args) {
        std::vector<const char*> argv{"varnex"};
        argv.insert(argv.end(), args);
        ParseOptions(s, static_cast<int>(argv.size()), argv.data());
    }

    ConversionSettings s;
};

TEST_F(OptionsTest, NameListsAreEnclosedAndUpperCasedOnlyInAToZ) {
    const char* programOnly[] = {"/TABLES=x"}; // element 0 is never examined
    ParseOptions(s, 1, programOnly);
    EXPECT_FALSE(s.Tables.has_value());

    Parse({"/TABLES=orders;Customers", "/ONLYFIELDS=id;\xE4n\xC3\xA9"});
    EXPECT_EQ(s.Tables, ";ORDERS;CUSTOMERS;");
    EXPECT_EQ(s.OnlyFields, ";ID;\xE4N\xC3\xA9;");
    Parse({"-tables=*", "-onlyfields=*"});
    EXPECT_FALSE(s.Tables.has_value());
    EXPECT_FALSE(s.OnlyFields.has_value());
}

// Folders for linked files gather in order; a folder that ends in ".mdb" or
// ".csv" is still a folder of the option, never the database or the output.
TEST_F(OptionsTest, LinkFoldersGatherInOrderAndLinksCanBeTurnedOff) {
    EXPECT_TRUE(s.LinkFolders.empty());
    EXPECT_EQ(s.FollowLinks, 1);
    Parse({"shop.mdb", "--link-dir=/data/linked", "--LINK-DIR=backup.mdb", "--link-dir=", "./out", "--links=no"});
    EXPECT_EQ(s.LinkFolders, (std::vector<std::string>{"/data/linked", "backup.mdb"}));
    EXPECT_EQ(s.SourcePath.str(), "shop.mdb");
    EXPECT_EQ(s.OutputPath.str(), "./out");
    EXPECT_EQ(s.FollowLinks, 0);
    Parse({"--links=yes"});
    EXPECT_EQ(s.FollowLinks, 1);
}

TEST_F(OptionsTest, ColumnsAreARangeOrANameList) {
    Parse({"/COLUMNS=2-5"});
    EXPECT_EQ(s.Columns, "2-5");
    EXPECT_EQ(std::pair(s.FirstColumn, s.LastColumn), std::pair(2, 5));
    Parse({"/COLUMNS=3"});
    EXPECT_EQ(std::pair(s.FirstColumn, s.LastColumn), std::pair(3, 3));
    Parse({"/COLUMNS=name,city"});
    EXPECT_EQ(s.Columns, ",NAME,CITY,");
    EXPECT_EQ(std::pair(s.FirstColumn, s.LastColumn), std::pair(3, 3));
}

TEST_F(OptionsTest, ValuesAreTakenAsWrittenExceptEscapeNames) {
    Parse({"/ESCAPE=sq", "/PASSWORD=MySecret", "/EXT=.Dat"});
    EXPECT_EQ(s.Escape.str(), "'");
    EXPECT_EQ(s.Password.str(), "MySecret");
    EXPECT_EQ(s.Extension, ".Dat");
    Parse({"/escape=DQuote"});
    EXPECT_EQ(s.Escape.str(), "\"");
    Parse({"/ESCAPE=", "/PASSWORD="});
    EXPECT_EQ(s.Escape.str(), "");
    EXPECT_TRUE(s.Password.empty());
}

TEST_F(OptionsTest, RecordsZeroStopsRowsButKeepsTheDelimiter) {
    Parse({"/RECORDS=LF", "/RECORDS=0"});
    EXPECT_EQ(s.Records.str(), "LF");
    EXPECT_EQ(s.ExportRecords, 0);

    InitSettings(s);
    Parse({"/RECORDS=0;"});
    EXPECT_EQ(s.Records.str(), "0;");
    EXPECT_EQ(s.ExportRecords, 1);
}

TEST_F(OptionsTest, DelimiterNamesResolveInAnyCaseFromTheRecordsOwnText) {
    Parse({"/FIELDS=tab"});
    ResolveFieldDelimiter(s, s.Fields);
    EXPECT_EQ(s.Fields.str(), "\t");
    Parse({"/FIELDS=;"});
    ResolveFieldDelimiter(s, s.Fields);
    EXPECT_EQ(s.Fields.str(), ";");
    ResolveFieldDelimiter(s, "Pipe");
    EXPECT_EQ(s.Fields.str(), "|");

    ResolveRecordDelimiter(s, s.Records);
    EXPECT_EQ(s.Records.str(), "\r\n");
    for (auto [name, text] : {std::pair{"cr", "\r"}, {"Lf", "\n"}, {"NONE", ""}, {"||", "||"}}) {
        s.Records = name;
        ResolveRecordDelimiter(s, s.Records);
        EXPECT_EQ(s.Records.str(), text) << name;
    }
}

TEST_F(OptionsTest, AKnownKeywordIsAnOptionWhateverItsValueEndsIn) {
    // Each of these once became the output or database path, so the run wrote
    // beside the root of the file system and ignored the real output folder.
    Parse({"/STATUS=D:\\s.txt"});
    EXPECT_EQ(s.StatusFile.str(), "D:\\s.txt");
    Parse({"-STATUS=D:\\t.txt"});
    EXPECT_EQ(s.StatusFile.str(), "D:\\t.txt");
    Parse({"/STATUS=run.csv", "/EXT=.csv", "-EXT=.txt", "/PASSWORD=secret.mdb", "/TABLES=x.MDB"});
    EXPECT_EQ(s.StatusFile.str(), "run.csv");
    EXPECT_EQ(s.Extension, ".txt");
    EXPECT_EQ(s.Password.str(), "secret.mdb");
    EXPECT_EQ(s.Tables, ";X.MDB;");
    // A set extension must not swallow the options after it either.
    Parse({"/EXT=s", "-TABLES=Orders"});
    EXPECT_EQ(s.Tables, ";ORDERS;");
    EXPECT_TRUE(s.OutputPath.empty());
    EXPECT_TRUE(s.SourcePath.empty());

    // A lead without a known keyword still goes by the ending.
    Parse({"/NOSUCH=x.csv", "-other.mdb"});
    EXPECT_EQ(s.OutputPath.str(), "/NOSUCH=x.csv");
    EXPECT_EQ(s.SourcePath.str(), "-other.mdb");

    // Four characters or fewer: never a path, an option only with a lead.
    Parse({"D:\\x", ".mdb", "/LOG"});
    EXPECT_EQ(s.OutputPath.str(), "/NOSUCH=x.csv");
    EXPECT_EQ(s.SourcePath.str(), "-other.mdb");
    EXPECT_EQ(s.Log, 1);
}

TEST_F(OptionsTest, ExtensionRecognisesOutputPathsOnlyOnceSet) {
    Parse({"-x.dat"});
    EXPECT_TRUE(s.OutputPath.empty());
    Parse({"/EXT=.dat", "-x.DAT"});
    EXPECT_EQ(s.OutputPath.str(), "-x.DAT");

    // An empty extension must not turn every later option into a path.
    s.OutputPath.clear();
    Parse({"/EXT=", "/SILENT"});
    EXPECT_EQ(s.Silent, 1);
    EXPECT_TRUE(s.OutputPath.empty());
}

TEST_F(OptionsTest, AbsolutePosixPathsAreNotMistakenForOptions) {
    if (platform::PathSeparator != '/')
        GTEST_SKIP() << "paths begin with a slash only where it separates directories";
    Parse({"/data/x.mdb", "/home/me/out"});
    EXPECT_EQ(s.SourcePath.str(), "/data/x.mdb");
    EXPECT_EQ(s.OutputPath.str(), "/home/me/out");
    Parse({"/home/me/list.txt"});
    EXPECT_EQ(s.OutputPath.str(), "/home/me/list.txt");
    Parse({"/data/"});
    EXPECT_EQ(s.OutputPath.str(), "/data/");

    // Without a second slash, or when an option row matches, it stays an option.
    Parse({"/data", "/QUOTES=2", "/STATUS=/tmp/s.txt", "/dd/mm/yyyy", "/tables=a/b"});
    EXPECT_EQ(s.OutputPath.str(), "/data/");
    EXPECT_EQ(s.DoubleQuotes, 0);
    EXPECT_EQ(s.StatusFile.str(), "/tmp/s.txt");
    EXPECT_EQ(s.DateFormat, 9);
    EXPECT_EQ(s.Tables, ";A/B;");
}

TEST_F(OptionsTest, OverlongPathsAndPasswordsAreKeptKnownAsTooLong) {
    const std::string output = "./" + std::string(kSystemPathCapacity, 'o');
    const std::string password = "/PASSWORD=" + std::string(kPathCapacity + 1, 'p');
    Parse({output.c_str(), password.c_str()});
    // The record is never overrun, and what it holds is never used.
    EXPECT_EQ(s.OutputPath.size(), kSystemPathCapacity);
    EXPECT_TRUE(s.OutputPath.Cut());
    EXPECT_EQ(s.OutputPath.GivenSize(), kSystemPathCapacity + 2);
    EXPECT_TRUE(s.Password.Cut());
    EXPECT_EQ(LengthRefusal(s).rfind("the output path is ", 0), 0u) << LengthRefusal(s);

    Parse({"./out"});
    EXPECT_EQ(LengthRefusal(s), "the password is " + std::to_string(kPathCapacity + 1) + " characters long; at most " +
                                    std::to_string(kPathCapacity) + " are taken");
    const std::string exact = "/PASSWORD=" + std::string(kPathCapacity, 'p');
    const std::string name = "./" + std::string(platform::kLongestName + 1, 'n');
    Parse({exact.c_str(), name.c_str()});
    EXPECT_FALSE(s.Password.Cut());
    EXPECT_EQ(LengthRefusal(s), "the output path holds a name of " + std::to_string(platform::kLongestName + 1) +
                                    " characters; this system takes at most " + std::to_string(platform::kLongestName));
    Parse({"./out"});
    EXPECT_EQ(LengthRefusal(s), "");
}

TEST_F(OptionsTest, TypeChangesNeedAnEqualSignAndStopAtTheSlotLimit) {
    Parse({"/CT:NOEQUALSIGN", "/CT:A=B", "/changetype:Price=Text"});
    EXPECT_EQ(s.TypeChanges, (std::vector<std::string>{"A=B", "Price=Text"}));
    for (std::size_t i = s.TypeChanges.size(); i < kTypeChangeSlots + 5; ++i)
        AddTypeChange(s, "r" + std::to_string(i) + "=x");
    EXPECT_EQ(s.TypeChanges.size(), kTypeChangeSlots);
    EXPECT_EQ(s.TypeChanges.back(), "r" + std::to_string(kTypeChangeSlots - 1) + "=x");
}

TEST_F(OptionsTest, NumbersTakeTheirLeadingDigitsAndNeverOverflow) {
    Parse({"/MAXLEN=abc"});
    EXPECT_EQ(s.MaxLen, 0);
    Parse({"/MAXLEN=12px"});
    EXPECT_EQ(s.MaxLen, 12);
    Parse({"/MAXLEN=99999999999999999999", "/COLUMNS=7-99999999999"});
    EXPECT_EQ(s.MaxLen, INT32_MAX);
    EXPECT_EQ(s.LastColumn, INT32_MAX);
}

TEST_F(OptionsTest, KeywordsMatchInAnyCaseAndLaterArgumentsWin) {
    Parse({"/overwrite=skip", "-Trim=All", "/crlf=Replace", "/source=oem", "/Batch", "/yyyy-mm-dd"});
    EXPECT_EQ(s.OverWrite, 2);
    EXPECT_EQ(s.RemoveTrail, 2);
    EXPECT_EQ(s.RemoveCRLF, 2);
    EXPECT_EQ(s.SourceCodePage, 2);
    EXPECT_EQ(s.Batch, 1);
    EXPECT_EQ(s.DateFormat, 6);
    Parse({"/OVERWRITE=YES", "/OVERWRITE=0", "/OVERWRITE=MAYBE"});
    EXPECT_EQ(s.OverWrite, 0);
}

TEST_F(OptionsTest, BareStatusNamesAFileBesideTheProgram) {
    Parse({"/status"});
    const std::filesystem::path exe = platform::ExecutablePath();
    ASSERT_TRUE(exe.is_absolute());
    EXPECT_EQ(s.StatusFile.str(), (exe.parent_path() / "status.log").string());
    // Code linked into the program reports the program as its module.
    EXPECT_EQ(platform::ModulePath(), exe.string());
}

} // namespace
