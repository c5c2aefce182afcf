// Names and paths from hostile or merely unusual input, as a user meets
// them: table names that cannot be file names or that drive a terminal,
// field names that hold the delimiter, paths longer than the system or the
// settings record takes, values without a text, and answers that cannot be
// written.

#include "tests/support/program/Fixtures.h"
#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using harness::Has;
using harness::ListDir;
using harness::ReadFile;
using harness::RunResult;
using harness::WriteFile;

namespace {

// One table per name, each with the one row {row}.
void WriteTablesNamed(const std::string& path, const std::vector<std::string>& names) {
    MdbDescription description;
    int row = 1;
    for (const std::string& name : names) {
        TableSpec table;
        table.name = name;
        table.columns = {{"N", JetType::Long}};
        table.rows = {{CellValue::fromInt(row++)}};
        description.tables.push_back(table);
    }
    WriteMdb(description, path);
}

class NamesAndPaths : public ProgramScratch {
protected:
    void SetUp() override {
        ProgramScratch::SetUp();
        fixtures::WriteShop(scratch_ / "data/shop.mdb");
    }
    // The program with its standard output redirected as `redirection` says
    // (">/dev/full", ">&-"), through the shell.
    RunResult RunRedirected(const std::string& arguments, const std::string& redirection) {
        return harness::Run("/bin/sh", {"-c", "exec \"$0\" " + arguments + " " + redirection, program_},
                            scratch_.path(), scratch_ / "home");
    }
};

TEST_F(NamesAndPaths, EveryTableNameGivesAFileAndNoTwoTablesShareOne) {
    WriteTablesNamed(scratch_ / "data/names.mdb", {"Muffin/Bread", "Tab>\"e@ll/a'2;*,", ".", "Muffin_Bread"});
    const RunResult run = Run({"/SILENT", "data/names.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    // Only the separator is replaced here; the other characters are a POSIX name's own.
    EXPECT_EQ(ListDir(scratch_ / "out"),
              (std::vector<std::string>{"Muffin_Bread.csv", "Muffin_Bread~2.csv", "Tab>\"e@ll_a'2;*,.csv", "_.csv"}));
    EXPECT_EQ(Out("Tab>\"e@ll_a'2;*,.csv"), "2\r\n");
    EXPECT_EQ(Out("_.csv"), "3\r\n");
    // The two Muffins in whichever order the catalog holds them: each whole, in a file of its own.
    const std::string first = Out("Muffin_Bread.csv"), second = Out("Muffin_Bread~2.csv");
    EXPECT_TRUE((first == "1\r\n" && second == "4\r\n") || (first == "4\r\n" && second == "1\r\n")) << first << second;
    // Each file that is not named after its table is named once.
    EXPECT_TRUE(Has(run.Err, "note: table Muffin/Bread is written to ./out/Muffin_Bread")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "note: table Tab>\"e@ll/a'2;*, is written to ./out/Tab>\"e@ll_a'2;*,.csv\n")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "note: table . is written to ./out/_.csv\n")) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 4) << run.Err;
}

TEST_F(NamesAndPaths, AnOutputFileNamedAfterALaterTableKeepsBothTables) {
    const RunResult run = Run({"/SILENT", "data/shop.mdb", "./out/Orders.csv"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ListDir(scratch_ / "out"), (std::vector<std::string>{"Orders.csv", "Orders~2.csv"}));
    EXPECT_TRUE(Has(Out("Orders.csv"), "\"Ann Lee\"")) << "the named file holds the first table";
    EXPECT_EQ(Out("Orders~2.csv"), "10,1,5\r\n11,2,-3\r\n");
    EXPECT_EQ(run.Err, "note: table Orders is written to ./out/Orders~2.csv\n");
}

TEST_F(NamesAndPaths, AFieldNameHoldingTheDelimiterOrAQuoteIsQuotedInTheHeader) {
    MdbDescription description;
    TableSpec table;
    table.name = "Odd";
    table.columns = {
        {"Commas,In,Column", JetType::Long}, {"\"Double\"Quotes\"Column", JetType::Long}, {"Plain", JetType::Long}};
    table.rows = {{CellValue::fromInt(1), CellValue::fromInt(2), CellValue::fromInt(3)}};
    description.tables = {table};
    WriteMdb(description, scratch_ / "data/odd.mdb");

    RunResult run = Run({"/SILENT", "/HEADER=1", "data/odd.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Odd.csv"), "\"Commas,In,Column\",\"\"\"Double\"\"Quotes\"\"Column\",Plain\r\n1,2,3\r\n");

    // Quotes are escaped as the text cells escape them; a comma is no
    // delimiter between tabs.
    run = Run({"/SILENT", "/HEADER=1", "/FIELDS=TAB", "/ESCAPE=\\", "data/odd.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Odd.csv"), "Commas,In,Column\t\"\\\"Double\\\"Quotes\\\"Column\"\tPlain\r\n1\t2\t3\r\n");
}

// POSIX takes paths up to PATH_MAX, names up to NAME_MAX: a longer one is
// refused before anything is written, a shorter one used whole, never cut.
TEST_F(NamesAndPaths, PathsAreUsedWholeOrRefused) {
    // 300 characters: longer than the 259 a Windows user has, and whole here.
    std::string deep = "./out";
    while (deep.size() < 260)
        deep += "/folder_of_reports";
    fs::create_directories(scratch_ / (deep.substr(2) + "/target"));
    const std::string longFile = deep + "/target/orders_report_final.csv";
    ASSERT_GT(longFile.size(), 280u);
    WriteFile(scratch_ / "out/Orders.csv", "earlier\r\n");
    std::string longStatus = deep + "/run-status.ini";
    RunResult run = Run({"/SILENT", "/TABLES=Orders", "data/shop.mdb", longFile, "/STATUS=" + longStatus});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ReadFile(scratch_ / longFile.substr(2)), "10,1,5\r\n11,2,-3\r\n");
    EXPECT_TRUE(Has(ReadFile(scratch_ / longStatus.substr(2)), "Result=Successful"));
    EXPECT_EQ(Out("Orders.csv"), "earlier\r\n");

    // Beyond the system's limits: one line saying which path, exit 1, no file.
    fs::remove_all(scratch_ / "out");
    fs::create_directory(scratch_ / "out");
    const std::string tooLong = "./out/" + std::string(PATH_MAX, 'p') + ".csv";
    run = Run({"/SILENT", "data/shop.mdb", tooLong, "/STATUS=" + (scratch_ / "status.ini")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "varnex2007: the output path is " + std::to_string(tooLong.size()) +
                           " characters long; this system takes at most " + std::to_string(PATH_MAX - 1) + "\n");
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());
    EXPECT_TRUE(Has(ReadFile(scratch_ / "status.ini"), "Result=Failed"));

    const std::string longName = "./out/" + std::string(NAME_MAX + 1, 'n') + "/x.csv";
    run = Run({"/SILENT", "data/shop.mdb", longName});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "varnex2007: the output path holds a name of " + std::to_string(NAME_MAX + 1) +
                           " characters; this system takes at most " + std::to_string(NAME_MAX) + "\n");
    run = Run({"/SILENT", "data/shop.mdb", "./out", "/STATUS=" + std::string(PATH_MAX + 10, 's')});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "the status file's path is ")) << run.Err;
    run = Run({"--list-tables", "./data/" + std::string(PATH_MAX, 'd') + ".mdb"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "the database path is ")) << run.Err;
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());

    // A password the record cannot hold is too long, not wrong.
    run = Run({"/SILENT", "data/shop.mdb", "./out", "/PASSWORD=" + std::string(300, 'w')});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "varnex2007: the password is 300 characters long; at most 259 are taken\n");
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());
}

TEST_F(NamesAndPaths, NamesCannotDriveTheTerminal) {
    const std::string title = "Evil\x1b]0;owned\x07\x1b[31m";
    WriteTablesNamed(scratch_ / "data/evil.mdb", {title, "two\nlines",
                                                  "c1\xc2\x9b"
                                                  "x",
                                                  "semi;colon", "a;b"});
    RunResult run = Run({"--list-tables", "data/evil.mdb"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    // Every name whole on one line, in the catalog's order.
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = run.Out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(run.Out.substr(at, end - at));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"Evil\\x1b]0;owned\\x07\\x1b[31m", "a;b", "c1\\u009bx", "semi;colon",
                                               "two\\nlines"}));

    // Failure lines and notes on stderr: no escape, bell or C1 byte reaches the terminal.
    run = Run({"/SILENT", "data/evil.mdb", "./missing-folder"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "table Evil\\x1b]0;owned\\x07\\x1b[31m: cannot create")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "table two\\nlines: cannot create")) << run.Err;
    for (const char raw : {'\x1b', '\x07', '\x9b'})
        EXPECT_EQ(run.Err.find(raw), std::string::npos) << run.Err;

    // The usage text names the program as it was started.
    const std::string oddName = scratch_ / "bin/var\x1b[2Jnex";
    fs::create_symlink(program_, oddName);
    run = harness::Run(oddName, {}, scratch_.path(), scratch_ / "home");
    EXPECT_EQ(run.Out.rfind("Usage: var\\x1b[2Jnex /SILENT", 0), 0u) << run.Out;
    EXPECT_EQ(run.Out.find('\x1b'), std::string::npos);
}

TEST_F(NamesAndPaths, OneValueWithoutATextNeverCostsTheTable) {
    MdbDescription description;
    TableSpec table;
    table.name = "Dates";
    table.columns = {{"Id", JetType::Long}, {"Born", JetType::DateTime}};
    for (const double day : {45000.0, 2958466.0, -657435.0, 1e300, 2.5})
        table.rows.push_back(
            {CellValue::fromInt(static_cast<std::int64_t>(table.rows.size()) + 1), CellValue::fromReal(day)});
    description.tables = {table};
    WriteMdb(description, scratch_ / "data/dates.mdb");

    const RunResult run = Run({"/SILENT", "data/dates.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Dates.csv"), "1,\"3/15/2023\"\r\n2,\r\n3,\r\n4,\r\n5,\"1/1/1900 12:00:00 PM\"\r\n");
    EXPECT_EQ(run.Err, "warning: data/dates.mdb: table Dates: 3 values written empty: 3 could not be written "
                       "as text, the first in field Born of row 2 (The parameter is incorrect.)\n");
}

TEST_F(NamesAndPaths, AnswersThatCannotBeWrittenFail) {
    for (const char* redirection : {">/dev/full", ">&-"}) {
        SCOPED_TRACE(redirection);
        RunResult run = RunRedirected("--version", redirection);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, "varnex2007: standard output cannot be written to\n");
        run = RunRedirected("--list-tables data/shop.mdb", redirection);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, "varnex2007: standard output cannot be written to\n");
    }
}

TEST_F(NamesAndPaths, TheTableListSaysWhyADatabaseDidNotOpen) {
    fs::create_directory(scratch_ / "data/folder.mdb");
    WriteFile(scratch_ / "data/broken.mdb", std::string(4096, 'x'));
    for (const char* database : {"data/folder.mdb", "data/broken.mdb"}) {
        SCOPED_TRACE(database);
        const RunResult listed = Run({"--list-tables", database});
        const RunResult converted = Run({"/SILENT", database, "./out"});
        EXPECT_EQ(listed.ExitCode, 1);
        // The reader's words, as the conversion prints them.
        EXPECT_EQ(listed.Err, "varnex2007: " + converted.Err);
        EXPECT_GT(converted.Err.size(), std::string(database).size() + 3);
    }
}

} // namespace
