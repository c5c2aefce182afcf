// The program on a table of many pages: however many threads it reads and
// formats the records on, in every locale and with every setting that
// changes how a cell is written, the output is the bytes of one thread.

#include "tests/support/program/Harness.h"

#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/Json.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every kind of cell the conversion formats, NULLs sprinkled, memos inline
// and on long-value pages, text with quotes, commas and line breaks.
const char* const kMixedTable = R"({"tables": [{"name": "Mixed", "columns": [
    {"name": "ID", "type": "long", "autonumber": true},
    {"name": "Quantity", "type": "long"},
    {"name": "Ratio", "type": "double"},
    {"name": "Small", "type": "single"},
    {"name": "Price", "type": "currency"},
    {"name": "Created", "type": "datetime"},
    {"name": "Active", "type": "boolean"},
    {"name": "Title", "type": "text", "size": 60},
    {"name": "Code", "type": "integer"},
    {"name": "Notes", "type": "memo"}],
  "generate": {"rows": 10, "seed": 11, "columns": {
    "Quantity": {"nullRate": 0.05}, "Ratio": {"nullRate": 0.05}, "Created": {"nullRate": 0.05},
    "Title": {"minLength": 5, "maxLength": 60, "nullRate": 0.05},
    "Notes": {"nullRate": 0.6, "minLength": 10, "maxLength": 400}}}}]})";

class ThreadsProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(scratch_ / "home");
        WriteMdb(DescriptionFromJson(ParseJson(kMixedTable), 12000), scratch_ / "mixed.mdb");
    }

    std::string Convert(const std::string& threads, const std::string& locale, std::vector<std::string> options) {
        const std::string out = scratch_ / ("out-" + std::to_string(++runs_));
        fs::create_directories(out);
        std::vector<std::string> args = {"/SILENT", "mixed.mdb", out};
        args.insert(args.end(), options.begin(), options.end());
        const harness::RunResult run = harness::Run(VARNEX_PROGRAM, args, scratch_.path(), scratch_ / "home",
                                                    {"VARNEX_THREADS=" + threads, "LC_ALL=" + locale});
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        return harness::ReadFile(out + "/Mixed.csv");
    }

    harness::ScratchDir scratch_;
    int runs_ = 0;
};

TEST_F(ThreadsProgramTest, AnyNumberOfThreadsWritesTheBytesOfOne) {
    const std::vector<std::vector<std::string>> settings = {
        {}, {"/HEADER=1", "/QUOTES=0", "/FIELDS=;"}, {"/CRLF=KEEP", "/FIELDS=TAB", "/YYYY-MM-DD"}};
    for (const char* locale : {"C", "de_DE.UTF-8", "fr_FR.CP1252", "ja_JP.UTF-8", "en_US.UTF-8"}) {
        for (const auto& options : settings) {
            SCOPED_TRACE(std::string(locale) + " " + (options.empty() ? "" : options.front()));
            const std::string one = Convert("1", locale, options);
            ASSERT_GT(one.size(), 500000u);
            EXPECT_EQ(Convert("2", locale, options), one);
            EXPECT_EQ(Convert("3", locale, options), one);
        }
    }
}

} // namespace
