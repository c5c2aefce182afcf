// A run over a database with linked tables: the followed link is converted
// from the other file, the ones that cannot be followed fail alone, and the
// run's status and exit code say so.

#include "tests/program/Harness.h"

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

    const harness::RunResult run = harness::Run(
        program, {"/SILENT", "data/linking.mdb", "./out", "/STATUS=" + (scratch / "status.ini")}, scratch.path(),
        scratch / "home");
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_EQ(harness::ListDir(scratch / "out"), (std::vector<std::string>{"Friends.csv", "Local.csv"}));
    EXPECT_EQ(harness::ReadFile(scratch / "out/Friends.csv"), "1,\"Ann\"\r\n");
    EXPECT_EQ(harness::ReadFile(scratch / "out/Local.csv"), "7\r\n");
    EXPECT_NE(harness::ReadFile(scratch / "status.ini").find("Result=Failed"), std::string::npos);
}

} // namespace
