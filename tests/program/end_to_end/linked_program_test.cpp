// A run over a database with linked tables: the followed link is converted
// from the other file, the ones that cannot be followed fail alone, and the
// run's status and exit code say so.

#include "tests/support/program/Harness.h"

#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

ColumnSpec Column(const std::string& name, JetType type, int size = 0) {
    ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
}

TEST(LinkedProgramTest, FollowedLinksConvertAndBrokenOnesFailAlone) {
    harness::ScratchDir scratch;
    fs::create_directories(scratch / "bin");
    fs::create_directories(scratch / "home");
    fs::create_directories(scratch / "data");
    fs::create_directories(scratch / "out");
    const std::string program = scratch / "bin/varnex2007";
    fs::copy_file(VARNEX_PROGRAM, program);
    fs::permissions(program, fs::perms::owner_all);

    TableSpec people;
    people.name = "People";
    people.columns = {Column("ID", JetType::Long), Column("Name", JetType::Text, 20)};
    people.rows = {{CellValue::fromInt(1), CellValue::fromText("Ann")}};
    MdbDescription target;
    target.tables = {people};
    WriteMdb(target, scratch / "data/target.mdb");

    TableSpec local;
    local.name = "Local";
    local.columns = {Column("ID", JetType::Long)};
    local.rows = {{CellValue::fromInt(7)}};
    MdbDescription linking;
    linking.tables = {local};
    // Made on another machine: the stored path is a Windows one.
    linking.links = {LinkDescription{"Friends", "C:\\Shared\\target.mdb", "People", "", false},
                     LinkDescription{"Gone", "C:\\Shared\\gone.mdb", "People", "", false},
                     LinkDescription{"Sales", "", "dbo.Sales", "ODBC;DSN=Sales", true}};
    WriteMdb(linking, scratch / "data/linking.mdb");

    const harness::RunResult run =
        harness::Run(program, {"/SILENT", "data/linking.mdb", "./out", "/STATUS=" + (scratch / "status.ini")},
                     scratch.path(), scratch / "home");
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_EQ(harness::ListDir(scratch / "out"), (std::vector<std::string>{"Friends.csv", "Local.csv"}));
    EXPECT_EQ(harness::ReadFile(scratch / "out/Friends.csv"), "1,\"Ann\"\r\n");
    EXPECT_EQ(harness::ReadFile(scratch / "out/Local.csv"), "7\r\n");
    EXPECT_NE(harness::ReadFile(scratch / "status.ini").find("Result=Failed"), std::string::npos);
}

class LinkSearch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"bin", "home", "data", "out", "far", "farther"})
            fs::create_directories(scratch_ / folder);
        fs::copy_file(VARNEX_PROGRAM, program_);
        fs::permissions(program_, fs::perms::owner_all);
        WritePeople(scratch_ / "far/target.mdb", "Ann");
        WritePeople(scratch_ / "farther/target.mdb", "Zed");
        TableSpec local;
        local.name = "Local";
        local.columns = {Column("ID", JetType::Long)};
        local.rows = {{CellValue::fromInt(7)}};
        MdbDescription linking;
        linking.tables = {local};
        linking.links = {LinkDescription{"Friends", "C:\\Shared\\target.mdb", "People", "", false}};
        WriteMdb(linking, scratch_ / "data/linking.mdb");
    }
    static void WritePeople(const std::string& path, const std::string& name) {
        TableSpec people;
        people.name = "People";
        people.columns = {Column("ID", JetType::Long), Column("Name", JetType::Text, 20)};
        people.rows = {{CellValue::fromInt(1), CellValue::fromText(name)}};
        MdbDescription target;
        target.tables = {people};
        WriteMdb(target, path);
    }
    harness::RunResult Convert(std::vector<std::string> extra, std::vector<std::string> environment = {}) {
        std::vector<std::string> args{"/SILENT", "data/linking.mdb", "./out"};
        args.insert(args.end(), extra.begin(), extra.end());
        fs::remove(scratch_ / "out/Friends.csv");
        return harness::Run(program_, args, scratch_.path(), scratch_ / "home", environment);
    }
    std::string Friends() { return harness::ReadFile(scratch_ / "out/Friends.csv"); }

    harness::ScratchDir scratch_;
    std::string program_ = scratch_ / "bin/varnex2007";
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
