// The built program, run as a user or a script runs it, on databases written
// for each test; output files are compared byte for byte.

#include "tests/support/program/Fixtures.h"
#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using harness::Exists;
using harness::ListDir;
using harness::ReadFile;
using harness::RunResult;
using harness::WriteFile;

namespace {

const std::string& kCustomers = kShopCustomersCsv;
const std::string& kOrders = kShopOrdersCsv;
const std::string& kItems = kStockItemsCsv;

class ProgramTest : public ProgramScratch {
protected:
    void SetUp() override {
        ProgramScratch::SetUp();
        fixtures::WriteShop(scratch_ / "data/shop.mdb");
    }
};

TEST_F(ProgramTest, SilentConvertsEveryTableAndReportsSuccess) {
    RunResult run = Run({"/SILENT", "data/shop.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(ListDir(scratch_ / "out"), (std::vector<std::string>{"Customers.csv", "Orders.csv"}));
    EXPECT_EQ(Out("Customers.csv"), kCustomers);
    EXPECT_EQ(Out("Orders.csv"), kOrders);
    EXPECT_NE(Status().find("Result=Successful"), std::string::npos) << Status();

    // Without a settings file existing files are replaced, so a second run
    // leaves the same bytes rather than doubling them.
    run = Run({"/SILENT", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Customers.csv"), kCustomers);
}

TEST_F(ProgramTest, OptionsShapeTheOutput) {
    RunResult run = Run({"/SILENT", "/FIELDS=TAB", "/TABLES=Customers", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ListDir(scratch_ / "out"), std::vector<std::string>{"Customers.csv"});
    EXPECT_EQ(Out("Customers.csv"), "1\t\"Ann Lee\"\t\"Oslo\"\t\"likes \"\"tea\"\"\"\r\n"
                                    "2\t\"Bo, Jr.\"\t\t\"line1  line2\"\r\n"
                                    "3\t\"Cy\"\t\"\"\t\r\n");

    run = Run({"-SILENT", "-QUOTES=0", "-HEADER=1", "-RECORDS=LF", "/EXT=.txt", "-TABLES=Orders", "data/shop.mdb",
               scratch_ / "out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Orders.txt"), "OrderID,Customer,Qty\n10,1,5\n11,2,-3\n");
}

TEST_F(ProgramTest, BatchWithPatternConvertsEveryMatchUnattended) {
    fixtures::WriteStock(scratch_ / "data/stock.mdb");
    WriteFile(scratch_ / "data/readme.txt", "not a database");
    RunResult run = Run({"/BATCH", "data/*.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(ListDir(scratch_ / "out"), (std::vector<std::string>{"Customers.csv", "Items.csv", "Orders.csv"}));
    EXPECT_EQ(Out("Customers.csv"), kCustomers);
    EXPECT_EQ(Out("Orders.csv"), kOrders);
    EXPECT_EQ(Out("Items.csv"), kItems);
    EXPECT_NE(Status().find("Result=Successful"), std::string::npos);

    // A pattern that matches nothing converts nothing and is no failure.
    run = Run({"/BATCH", "data/*.accdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(Status().find("Result=Successful"), std::string::npos);
}

TEST_F(ProgramTest, WithoutAWizardTheOtherRoadsShowTheUsageText) {
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_EQ(help.Out.rfind("Usage: varnex2007 /SILENT", 0), 0u) << help.Out;
    EXPECT_NE(help.Out.find("Examples:"), std::string::npos);
    EXPECT_NE(help.Out.find("/FIELDS="), std::string::npos);

    const std::vector<std::vector<std::string>> wizardRoads = {
        {}, {"-h"}, {"/?"}, {"data/shop.mdb", "./out"}, {"/BATCH", "data/shop.mdb", "./out"}};
    for (const auto& args : wizardRoads) {
        const RunResult run = Run(args);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.Out, help.Out);
    }
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());
}

TEST_F(ProgramTest, FailuresGiveExitCodeOneAndFailedStatus) {
    // A path naming no file.
    RunResult run = Run({"/SILENT", "data/missing.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(Status().find("Result=Failed"), std::string::npos) << Status();

    // One match that is no database: the others are still converted.
    WriteFile(scratch_ / "data/broken.mdb", std::string(4096, 'x'));
    run = Run({"/BATCH", "data/*.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Out("Customers.csv"), kCustomers);
    EXPECT_NE(Status().find("Result=Failed"), std::string::npos);

    // An output folder that is not there: no table can be written.
    run = Run({"/SILENT", "data/shop.mdb", "./absent", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(Status().find("Result=Failed"), std::string::npos);

    // No output path at all.
    run = Run({"/SILENT", "data/shop.mdb", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(Status().find("Result=Failed"), std::string::npos);
}

TEST_F(ProgramTest, SettingsFileBesideTheProgramComesBeforeTheCommandLine) {
    WriteFile(program_ + ".ini", "[Varnex]\nHeader=1\nDoubleQuotes=0\nReplaceCommaTo=_\nRecords=LF\n");
    RunResult run = Run({"/SILENT", "/TABLES=Customers", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Customers.csv"), "ID,Name,City,Note\n"
                                    "1,Ann Lee,Oslo,likes \"\"tea\"\"\n"
                                    "2,Bo_ Jr.,,line1  line2\n"
                                    "3,Cy,,\n");

    run = Run({"/SILENT", "/TABLES=Orders", "/HEADER=0", "/RECORDS=CRLF", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Orders.csv"), kOrders);
}

} // namespace
