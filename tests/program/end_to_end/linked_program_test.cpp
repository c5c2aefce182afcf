// A run over a database with linked tables: the followed link is converted
// from the other file, the ones that cannot be followed fail alone, and the
// run's status and exit code say so.

#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tests/tools/TableBuilding.h"

#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using building::Col;

namespace {

class LinkedProgramTest : public ProgramScratch {
protected:
    static void WritePeople(const std::string& path, const std::string& name) {
        TableSpec people;
        people.name = "People";
        people.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 20)};
        people.rows = {{CellValue::fromInt(1), CellValue::fromText(name)}};
        MdbDescription target;
        target.tables = {people};
        WriteMdb(target, path);
    }
    // data/linking.mdb: the table Local {7}, a link to People of target.mdb
    // stored as a Windows path (made on another machine), then `more`.
    void WriteLinking(std::vector<LinkDescription> more = {}) {
        TableSpec local;
        local.name = "Local";
        local.columns = {Col("ID", JetType::Long)};
        local.rows = {{CellValue::fromInt(7)}};
        MdbDescription linking;
        linking.tables = {local};
        linking.links = {LinkDescription{"Friends", "C:\\Shared\\target.mdb", "People", "", false}};
        linking.links.insert(linking.links.end(), more.begin(), more.end());
        WriteMdb(linking, scratch_ / "data/linking.mdb");
    }
};

TEST_F(LinkedProgramTest, FollowedLinksConvertAndBrokenOnesFailAlone) {
    WritePeople(scratch_ / "data/target.mdb", "Ann");
    WriteLinking({LinkDescription{"Gone", "C:\\Shared\\gone.mdb", "People", "", false},
                  LinkDescription{"Sales", "", "dbo.Sales", "ODBC;DSN=Sales", true}});

    const harness::RunResult run = Run({"/SILENT", "data/linking.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_EQ(harness::ListDir(scratch_ / "out"), (std::vector<std::string>{"Friends.csv", "Local.csv"}));
    EXPECT_EQ(Out("Friends.csv"), "1,\"Ann\"\r\n");
    EXPECT_EQ(Out("Local.csv"), "7\r\n");
    EXPECT_NE(Status().find("Result=Failed"), std::string::npos);
}

class LinkSearch : public LinkedProgramTest {
protected:
    void SetUp() override {
        LinkedProgramTest::SetUp();
        for (const char* folder : {"far", "farther"})
            fs::create_directories(scratch_ / folder);
        WritePeople(scratch_ / "far/target.mdb", "Ann");
        WritePeople(scratch_ / "farther/target.mdb", "Zed");
        WriteLinking();
    }
    harness::RunResult Convert(std::vector<std::string> extra, std::vector<std::string> environment = {}) {
        std::vector<std::string> args{"/SILENT", "data/linking.mdb", "./out"};
        args.insert(args.end(), extra.begin(), extra.end());
        fs::remove(scratch_ / "out/Friends.csv");
        return Run(args, environment);
    }
    std::string Friends() { return Out("Friends.csv"); }
};

// After the stored path and the linking database's folder: each --link-dir
// folder, then each folder of VARNEX_LINK_PATH, in that order.
TEST_F(LinkSearch, FoldersOfTheCommandLineThenOfTheEnvironment) {
    harness::RunResult run = Convert({});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Friends"), std::string::npos) << run.Err;

    run = Convert({"--link-dir=" + (scratch_ / "nowhere"), "--link-dir=" + (scratch_ / "far")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Friends(), "1,\"Ann\"\r\n");

    run = Convert({}, {"VARNEX_LINK_PATH=" + (scratch_ / "nowhere") + "::" + (scratch_ / "farther")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Friends(), "1,\"Zed\"\r\n");

    run = Convert({"--link-dir=" + (scratch_ / "far")}, {"VARNEX_LINK_PATH=" + (scratch_ / "farther")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Friends(), "1,\"Ann\"\r\n");
}

TEST_F(LinkSearch, LinksNotFollowedFailAloneAndTheRestConverts) {
    const harness::RunResult run = Convert({"--link-dir=" + (scratch_ / "far"), "--links=no"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("linked tables are not followed"), std::string::npos) << run.Err;
    EXPECT_FALSE(harness::Exists(scratch_ / "out/Friends.csv"));
    EXPECT_EQ(harness::ReadFile(scratch_ / "out/Local.csv"), "7\r\n");
}

} // namespace
