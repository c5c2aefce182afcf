// The program under hostile arguments and odd files: what it says on stderr,
// its exit status and what it leaves on disk.

#include "tests/support/program/Fixtures.h"
#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using harness::ListDir;
using harness::ReadFile;
using harness::RunResult;
using harness::WriteFile;

namespace {

const std::string& kItems = kStockItemsCsv;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ProgramFailures : public ProgramScratch {
protected:
    void SetUp() override {
        ProgramScratch::SetUp();
        fixtures::WriteShop(scratch_ / "data/shop.mdb");
    }
};

TEST_F(ProgramFailures, OptionValuesThatEndLikeFilesStayOptions) {
    RunResult run = Run({"/SILENT", "/EXT=.csv", "/STATUS=run.csv", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ListDir(scratch_ / "out"), (std::vector<std::string>{"Customers.csv", "Orders.csv"}));
    EXPECT_TRUE(Has(ReadFile(scratch_ / "run.csv"), "Result=Successful"));

    fs::remove_all(scratch_ / "out");
    fs::create_directory(scratch_ / "out");
    run = Run({"/SILENT", "/EXT=s", "-TABLES=Orders", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ListDir(scratch_ / "out"), std::vector<std::string>{"Orderss"}); // the extension as written
}

TEST_F(ProgramFailures, AnOutputTooShortToBeAPathIsNamedWhenNothingElseIsTheOutput) {
    // Four characters or fewer are never a path: the run has no output, and
    // says which argument the user meant as one.
    RunResult run = Run({"/SILENT", "data/shop.mdb", "out", "o/"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "No output folder or file was given.")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "note: \"out\" was not taken as the output")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "note: \"o/\" was not taken as the output")) << run.Err;
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());

    // With an output given, a short argument stays as quietly ignored as ever.
    run = Run({"/SILENT", "data/shop.mdb", "abc", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
}

TEST_F(ProgramFailures, EveryFileThatDoesNotOpenIsNamedWithItsReason) {
    RunResult run = Run({"/SILENT", "data/missing.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "data/missing.mdb: no such file\n");

    fs::create_directory(scratch_ / "data/folder.mdb");
    run = Run({"/SILENT", "data/folder.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "data/folder.mdb: ")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "is a folder")) << run.Err;

    // In a pattern run, the line names the file among the matches.
    WriteFile(scratch_ / "data/broken.mdb", std::string(4096, 'x'));
    const std::string shop = ReadFile(scratch_ / "data/shop.mdb");
    WriteFile(scratch_ / "data/short.mdb", shop.substr(0, 5000));
    run = Run({"/BATCH", "data/*.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Out("Orders.csv"), "10,1,5\r\n11,2,-3\r\n");
    EXPECT_TRUE(Has(run.Err, "data/broken.mdb: ")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "data/short.mdb: ")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "data/folder.mdb: ")) << run.Err;
    EXPECT_FALSE(Has(run.Err, "data/shop.mdb")) << run.Err;
    EXPECT_TRUE(Has(Status(), "Result=Failed"));
}

TEST_F(ProgramFailures, AWrongOrMissingPasswordIsNamed) {
    const fs::path sample = fs::path(VARNEX_SHARED_DIR) / "corpus/password/V2003_with-password.mdb";
    if (!fs::exists(sample))
        GTEST_SKIP() << "no sample databases";
    fs::copy_file(sample, scratch_ / "data/locked.mdb");
    for (const std::vector<std::string>& password :
         {std::vector<std::string>{}, std::vector<std::string>{"/PASSWORD=wrong"}}) {
        std::vector<std::string> args = {"/SILENT", "data/locked.mdb", "./out"};
        args.insert(args.end(), password.begin(), password.end());
        const RunResult run = Run(args);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, "data/locked.mdb: Not a valid password.\n");
    }
}

TEST_F(ProgramFailures, TheJetOnlyProgramSaysWhyItRefusesANewerFile) {
    const fs::path sample = fs::path(VARNEX_SHARED_DIR) / "corpus/V2007/test.accdb";
    if (!fs::exists(sample))
        GTEST_SKIP() << "no sample databases";
    fs::copy_file(sample, scratch_ / "data/new.accdb");
    const std::string jetOnly = scratch_ / "bin/varnex";
    fs::copy_file(VARNEX_JET_PROGRAM, jetOnly);
    const RunResult run =
        harness::Run(jetOnly, {"/SILENT", "data/new.accdb", "./out"}, scratch_.path(), scratch_ / "home");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err.rfind("data/new.accdb: ", 0), 0u) << run.Err;
    EXPECT_GT(run.Err.size(), std::string("data/new.accdb: \n").size());
    EXPECT_TRUE(ListDir(scratch_ / "out").empty());
}

TEST_F(ProgramFailures, NamesThatSelectNothingAreWarnedAbout) {
    RunResult run = Run({"/SILENT", "/TABLES=Orders;Nope", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "warning: data/shop.mdb: no table matches \"NOPE\" of TABLES=\n");
    EXPECT_EQ(ListDir(scratch_ / "out"), std::vector<std::string>{"Orders.csv"});

    run = Run({"/SILENT", "/TABLES=Orders", "/ONLYFIELDS=Quantity", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "warning: data/shop.mdb: table Orders: no field is named in ONLYFIELDS=\n");
}

TEST_F(ProgramFailures, AFileOfTheRunIsAppendedToUnderItsOneHeader) {
    fixtures::WriteStock(scratch_ / "data/a.mdb");
    fixtures::WriteStock(scratch_ / "data/b.mdb");
    fs::remove(scratch_ / "data/shop.mdb");
    const RunResult run = Run({"/BATCH", "/HEADER=1", "data/*.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Items.csv"), "Code,Label\r\n" + kItems + kItems);
}

// The data page holding the table's rows has its row offsets pointing past
// its end, as damage would: both rows are unreadable and the table fails
// saying so. The same page taken by another table (its owner changed) is a
// page the table no longer has: a stale count, which is no failure.
TEST_F(ProgramFailures, RowsThatCannotBeReadFailTheTableAndAStaleCountDoesNot) {
    const std::string path = scratch_ / "data/stock.mdb";
    fixtures::WriteStock(path);
    const std::string original = ReadFile(path);
    constexpr std::size_t kPage = 4096;
    const auto rowPage = [&](const std::string& bytes) {
        for (std::size_t page = kPage; page + kPage <= bytes.size(); page += kPage) {
            const std::string_view content(bytes.data() + page, kPage);
            const bool holdsRow = content.find("bolt") != std::string_view::npos ||
                                  content.find(std::string("b\0o\0l\0t\0", 8)) != std::string_view::npos;
            if (bytes[page] == 0x01 && holdsRow)
                return page;
        }
        return std::size_t{0};
    };
    const std::size_t page = rowPage(original);
    ASSERT_NE(page, 0u);

    std::string bytes = original;
    const auto u16 = [&](std::size_t at) {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
    };
    const uint16_t rows = u16(page + 12);
    int damaged = 0;
    for (uint16_t row = 0; row < rows; ++row) {
        const std::size_t at = page + 14 + 2u * row;
        const uint16_t entry = u16(at);
        if ((entry & 0x8000) != 0)
            continue;
        const auto past = static_cast<uint16_t>((entry & 0xE000) | 0x1FFF);
        bytes[at] = static_cast<char>(past & 0xFF);
        bytes[at + 1] = static_cast<char>(past >> 8);
        ++damaged;
    }
    ASSERT_EQ(damaged, 2);
    WriteFile(path, bytes);
    RunResult run = Run({"/SILENT", "data/stock.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "data/stock.mdb: table Items: 2 rows could not be read")) << run.Err;
    EXPECT_TRUE(Has(Status(), "Result=Failed"));
    EXPECT_EQ(Out("Items.csv"), "");

    bytes = original;
    bytes[page + 4] = static_cast<char>(bytes[page + 4] ^ 0x7F);
    WriteFile(path, bytes);
    run = Run({"/SILENT", "data/stock.mdb", "./out", StatusOption()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(Has(run.Err, "Items")) << run.Err;
    EXPECT_EQ(Out("Items.csv"), "");
}

TEST_F(ProgramFailures, OnlyRegularFilesAreOpenedAsDatabases) {
    ASSERT_EQ(::mkfifo((scratch_ / "data/pipe.mdb").c_str(), 0600), 0);
    RunResult run = Run({"/SILENT", "data/pipe.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Has(run.Err, "data/pipe.mdb: ")) << run.Err;
    EXPECT_TRUE(Has(run.Err, "not a regular file")) << run.Err;

    run = Run({"/BATCH", "data/*.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(ListDir(scratch_ / "out"), (std::vector<std::string>{"Customers.csv", "Orders.csv"}));
}

TEST_F(ProgramFailures, AStatusOrSettingsFileThatIsNoFileNeverEndsTheRun) {
    fs::create_directory(scratch_ / "statusdir");
    for (const std::string& status : {scratch_ / "statusdir", std::string("/dev/full"), std::string("/dev/zero")}) {
        SCOPED_TRACE(status);
        const RunResult run = Run({"/SILENT", "/STATUS=" + status, "data/shop.mdb", "./out"});
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.Err, status + ": the status file cannot be written\n");
    }
    EXPECT_TRUE(fs::is_directory(scratch_ / "statusdir"));

    // A settings file that would never end is not read: the defaults apply.
    fs::create_symlink("/dev/zero", program_ + ".ini");
    const RunResult run = Run({"/SILENT", "/TABLES=Orders", "data/shop.mdb", "./out"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Orders.csv"), "10,1,5\r\n11,2,-3\r\n");
}

// An interrupt while the records go into a pipe: the reader gets whole
// records only, and the run says it was interrupted.
TEST_F(ProgramFailures, AnInterruptEndsTheFileAtARecordBoundary) {
    const std::string path = scratch_ / "data/big.mdb";
    {
        TableSpec big;
        big.name = "Big";
        big.columns = {{"N", JetType::Long}, {"Text", JetType::Text, 50}};
        for (int i = 0; i < 40000; ++i)
            big.rows.push_back({CellValue::fromInt(i), CellValue::fromText("row number " + std::to_string(i))});
        MdbDescription description;
        description.tables = {big};
        WriteMdb(description, path);
    }
    const std::string pipe = scratch_ / "out/Big.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const harness::Child child =
        harness::Start(program_, {"/SILENT", "/OVERWRITE=NO", "data/big.mdb", "./out", StatusOption()}, scratch_.path(),
                       scratch_ / "home");
    const int fd = ::open(pipe.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::string received;
    char buffer[65536];
    // The pipe holds far less than the whole table: the writer is blocked
    // mid-table when the interrupt comes.
    ssize_t n = ::read(fd, buffer, 1);
    ASSERT_EQ(n, 1);
    received.append(buffer, 1);
    ::kill(child.Pid, SIGINT);
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        received.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    const RunResult run = harness::Finish(child);

    EXPECT_EQ(run.ExitCode, 130) << run.Err;
    EXPECT_TRUE(Has(Status(), "Result=Failed"));
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received.substr(received.size() - 2), "\r\n");
    EXPECT_LT(received.size(), 40000u * 20);
    // Every line is a whole record.
    std::size_t start = 0, lines = 0;
    while (start < received.size()) {
        const std::size_t end = received.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = received.substr(start, end - start);
        EXPECT_EQ(line, std::to_string(lines) + ",\"row number " + std::to_string(lines) + "\"");
        ++lines;
        start = end + 2;
    }
    EXPECT_GT(lines, 0u);
}

} // namespace
