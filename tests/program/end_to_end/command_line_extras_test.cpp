// The Linux command line's additions, run as a user runs them: the version,
// the table list, tables piped to standard output, and the progress line on
// a terminal.

#include "tests/support/program/Fixtures.h"
#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/Json.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using harness::ListDir;
using harness::ReadFile;
using harness::RunResult;

namespace {

const std::string& kCustomers = kShopCustomersCsv;
const std::string& kOrders = kShopOrdersCsv;

class CommandLineExtrasTest : public ProgramScratch {
protected:
    void SetUp() override {
        ProgramScratch::SetUp();
        fixtures::WriteShop(scratch_ / "data/shop.mdb");
    }
};

TEST_F(CommandLineExtrasTest, VersionAndTableListAnswerWithoutConverting) {
    RunResult run = Run({"--version"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out.rfind("varnex2007 (Varnex) ", 0), 0u) << run.Out;
    EXPECT_EQ(run.Out.back(), '\n');

    run = Run({"--list-tables", "data/shop.mdb"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Customers\nOrders\n");
    EXPECT_EQ(run.Err, "");

    // The tables the run would convert: the filter applies, in any case.
    run = Run({"data/shop.mdb", "/TABLES=orders;nothing", "--list-tables", "./out", "/SILENT"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Orders\n");
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());

    run = Run({"--list-tables", "data/missing.mdb"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("varnex2007: data/missing.mdb: ", 0), 0u) << run.Err;
}

// The usage text answers a command line that asks for help, whatever else
// it asks, even a path too long to be used.
TEST_F(CommandLineExtrasTest, HelpWinsOverEveryOtherRequest) {
    const RunResult help = Run({"--help"});
    ASSERT_EQ(help.ExitCode, 0);
    const RunResult run =
        Run({"--version", "/SILENT", "data/shop.mdb", "-", "--list-tables", "./" + std::string(5000, 'x'), "-h"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, help.Out);
    EXPECT_EQ(run.Err, "");
}

TEST_F(CommandLineExtrasTest, SchemaPrintsStatementsForTheChosenTablesOnly) {
    RunResult run = Run({"--schema=postgres", "data/shop.mdb", "/TABLES=Orders"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out.rfind("CREATE TABLE \"Orders\" (\n", 0), 0u) << run.Out;
    EXPECT_EQ(run.Out.find("Customers"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "");

    run = Run({"--schema=oracle", "data/shop.mdb"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("--schema=oracle: no such dialect"), std::string::npos) << run.Err;

    run = Run({"--schema=mysql", "data/missing.mdb"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err.rfind("varnex2007: data/missing.mdb: ", 0), 0u) << run.Err;
}

TEST_F(CommandLineExtrasTest, DashWritesTheTablesToStandardOutputAndNoFile) {
    RunResult run = Run({"/SILENT", "data/shop.mdb", "-", "/TABLES=Orders"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, kOrders);
    EXPECT_EQ(run.Err, "");

    // Several tables follow each other in the order of the run.
    run = Run({"/SILENT", "-", "data/shop.mdb", "/HEADER=1", "/QUOTES=0"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "ID,Name,City,Note\r\n1,Ann Lee,Oslo,likes \"\"tea\"\"\r\n2,\"Bo, Jr.\",,line1  line2\r\n"
                       "3,Cy,,\r\nOrderID,Customer,Qty\r\n10,1,5\r\n11,2,-3\r\n");
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());

    // A later output path wins over the dash, as over any earlier path.
    run = Run({"/SILENT", "data/shop.mdb", "-", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(ReadFile(scratch_ / "out/Customers.csv"), kCustomers);

    // A failure still fails the run, and nothing reaches standard output.
    run = Run({"/SILENT", "data/missing.mdb", "-"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
}

// A table long enough for the line to be drawn, written with the fixture writer.
void WriteLongTable(const std::string& path, int rows) {
    const std::string description = R"({"tables": [{"name": "Long", "columns": [
        {"name": "ID", "type": "long", "autonumber": true},
        {"name": "Title", "type": "text", "size": 40}],
        "generate": {"rows": 10, "seed": 7}}]})";
    WriteMdb(DescriptionFromJson(ParseJson(description), static_cast<std::uint64_t>(rows)), path);
}

bool HasPseudoTerminals() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return false;
    ::close(master);
    return true;
}

// Runs the program with standard error on a pseudo-terminal, standard output
// on a file; returns what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args, const std::string& cwd, const std::string& home) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return "no pseudo-terminal";
    const std::string slaveName = ::ptsname(master);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const int slave = ::open(slaveName.c_str(), O_RDWR);
        const int sink = ::open((cwd + "/stdout.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(slave, STDERR_FILENO);
        ::dup2(sink, STDOUT_FILENO);
        ::chdir(cwd.c_str());
        ::setenv("HOME", home.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(VARNEX_PROGRAM)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(VARNEX_PROGRAM, argv.data());
        ::_exit(127);
    }
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EIO once the child and its terminal are gone
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    return received;
}

TEST_F(CommandLineExtrasTest, ProgressLineOnATerminalOnlyAndNeverInTheFiles) {
    if (!HasPseudoTerminals())
        GTEST_SKIP() << "no pseudo-terminals here";
    // Big enough to be shown from its first row: the line is there however
    // quickly the machine converts the table.
    constexpr int kRows = 120000;
    WriteLongTable(scratch_ / "data/long.mdb", kRows);

    const std::string shown = RunOnTerminal({"/SILENT", "data/long.mdb", "./out"}, scratch_.path(), scratch_ / "home");
    ASSERT_NE(shown.find("Long  "), std::string::npos) << "no progress line: " << shown;
    EXPECT_NE(shown.find("/120000 rows ("), std::string::npos) << shown;
    EXPECT_NE(shown.find(" rows/s  "), std::string::npos) << shown;
    // Drawn over itself, and taken away at the end.
    EXPECT_EQ(shown.front(), '\r');
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\x1b[K") << shown;
    const std::string file = ReadFile(scratch_ / "out/Long.csv");

    // The same run without a terminal, or with /QUIET: no line, same bytes.
    RunResult piped = Run({"/SILENT", "data/long.mdb", "./out"});
    EXPECT_EQ(piped.Err, "");
    EXPECT_EQ(ReadFile(scratch_ / "out/Long.csv"), file);
    EXPECT_EQ(RunOnTerminal({"/SILENT", "data/long.mdb", "./out", "/QUIET"}, scratch_.path(), scratch_ / "home"), "");
    EXPECT_EQ(ReadFile(scratch_ / "out/Long.csv"), file);

    // Tables to standard output (here a file) while the line goes to the terminal.
    RunOnTerminal({"/SILENT", "data/long.mdb", "-"}, scratch_.path(), scratch_ / "home");
    EXPECT_EQ(ReadFile(scratch_ / "stdout.bin"), file);
}

} // namespace
