// The program's additions over databases held in memory: the table list,
// tables written to standard output against the files a run writes, and the
// progress calls an unattended run makes.

#include "engine/Conversion.h"
#include "engine/LoadDatabase.h"
#include "wizard/ProgramExtras.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace enginetest;

namespace {

class CommandLineTest : public EngineTest {
protected:
    CommandLineTest() {
        shop_ = folder / "shop.mdb";
        WriteAll(shop_, "");
        auto file = memdb::Register(shop_);
        file->AddTable("Orders", {{"Id", DaoType::Long}}).Row({memdb::Long(1)}).Row({memdb::Long(2)});
        file->AddTable("MSysObjects", {{"Id", DaoType::Long}});
        file->AddTable("customers", {{"Name", DaoType::Text}}).Row({memdb::Text("Ann")});
        file->AddTable("Empty", {{"Name", DaoType::Text}});
    }
    ~CommandLineTest() override { std::filesystem::remove_all(output_); }

    // A run as the program makes it, with the options it was given.
    void Parse(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "varnex2007");
        std::vector<const char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        fresh_ = std::make_unique<ConversionSettings>();
        InitSettings(*fresh_);
        ParseOptions(*fresh_, static_cast<int>(argv.size()), argv.data());
    }

    std::string Out(const std::string& name) const { return output_ + platform::PathSeparator + name; }

    std::string shop_;
    std::string output_ = folder / "out";
    std::unique_ptr<ConversionSettings> fresh_;
};

// What one reading of the arguments asks of the program, and the settings it
// left in record.
ProgramRequest Request(std::vector<const char*> arguments, ConversionSettings* record = nullptr) {
    arguments.insert(arguments.begin(), "varnex");
    ConversionSettings scratch;
    ConversionSettings& settings = record ? *record : scratch;
    InitSettings(settings);
    return ParseOptions(settings, static_cast<int>(arguments.size()), arguments.data());
}

TEST_F(CommandLineTest, ListsTheUserTablesTheRunWouldConvertInItsOrder) {
    Parse({shop_});
    std::string out, error;
    EXPECT_EQ(ListTables(*fresh_, "/usr/bin/varnex2007", out, error), 0);
    EXPECT_EQ(out, "Orders\ncustomers\nEmpty\n");
    EXPECT_EQ(error, "");

    Parse({shop_, "/TABLES=CUSTOMERS;empty;Nothing"});
    out.clear();
    EXPECT_EQ(ListTables(*fresh_, "varnex2007", out, error), 0);
    EXPECT_EQ(out, "customers\nEmpty\n");
}

TEST_F(CommandLineTest, EveryNameIsListedWholeOnALineOfItsOwn) {
    auto file = memdb::Find(shop_);
    file->AddTable("semi;colon", {{"Id", DaoType::Long}});
    file->AddTable("a;b", {{"Id", DaoType::Long}});
    file->AddTable("two\nlines\x1b[2J", {{"Id", DaoType::Long}});
    Parse({shop_});
    std::string out, error;
    EXPECT_EQ(ListTables(*fresh_, "varnex2007", out, error), 0);
    EXPECT_EQ(out, "Orders\ncustomers\nEmpty\nsemi;colon\na;b\ntwo\\nlines\\x1b[2J\n");
    EXPECT_EQ(error, "");
}

TEST_F(CommandLineTest, ListingFailsWithAReasonWhenThereIsNoDatabase) {
    Parse({});
    std::string out, error;
    EXPECT_EQ(ListTables(*fresh_, "/bin/varnex", out, error), 1);
    EXPECT_EQ(error, "varnex: --list-tables needs a database path (.mdb or .accdb)\n");

    // The reader's own reason, as the conversion gives it.
    Parse({folder / "missing.mdb"});
    std::string reason;
    EXPECT_EQ(LoadDatabase(nullptr, *fresh_, "", &reason), 1);
    ASSERT_FALSE(reason.empty());
    Parse({folder / "missing.mdb"});
    error.clear();
    EXPECT_EQ(ListTables(*fresh_, "/bin/varnex", out, error), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(error, "varnex: " + (folder / "missing.mdb") + ": " + reason + "\n");
}

TEST(CommandLineArgumentsTest, DashIsTheOutputUnlessALaterPathOverridesIt) {
    EXPECT_TRUE(Request({"/SILENT", "shop.mdb", "-"}).StandardOutput);
    EXPECT_TRUE(Request({"./out", "-", "/TABLES=Orders", "shop.mdb"}).StandardOutput);
    EXPECT_TRUE(Request({"orders.csv", "-"}).StandardOutput);
    EXPECT_FALSE(Request({"-", "./out"}).StandardOutput);
    EXPECT_FALSE(Request({"-", "/STATUS=x", "orders.csv"}).StandardOutput);
    EXPECT_FALSE(Request({"/SILENT", "shop.mdb", "./out", "--"}).StandardOutput);
    // An extension given before the "-" makes a later argument an output path.
    EXPECT_FALSE(Request({"/EXT=.tsv", "-", "out.tsv"}).StandardOutput);
    EXPECT_TRUE(Request({"-", "/EXT=.tsv"}).StandardOutput);

    EXPECT_TRUE(Request({"/quiet"}).Quiet);
    EXPECT_TRUE(Request({"shop.mdb", "-QUIET", "./out"}).Quiet);
    EXPECT_FALSE(Request({"/QUIETLY", "quiet", "/Q"}).Quiet);
}

// One reading yields every request at once, wherever its argument stands,
// and leaves the settings as though the program's own arguments were absent.
TEST(CommandLineArgumentsTest, OneReadingFillsTheSettingsAndTheRequest) {
    ConversionSettings asked, plain;
    const ProgramRequest request = Request({"/QUIET", "-", "shop.mdb", "--version", "/FIELDS=TAB", "--list-tables",
                                            "--schema=mysql", "--schema=postgres", "/?", "/TABLES=Orders"},
                                           &asked);
    EXPECT_TRUE(request.Help);
    EXPECT_TRUE(request.Version);
    EXPECT_TRUE(request.ListTables);
    EXPECT_EQ(request.SchemaDialect, "mysql");
    EXPECT_TRUE(request.StandardOutput);
    EXPECT_TRUE(request.Quiet);
    const ProgramRequest none = Request({"shop.mdb", "/FIELDS=TAB", "/TABLES=Orders"}, &plain);
    EXPECT_FALSE(none.Help || none.Version || none.ListTables || none.SchemaDialect || none.StandardOutput ||
                 none.Quiet);
    EXPECT_EQ(asked.SourcePath.str(), plain.SourcePath.str());
    EXPECT_EQ(asked.OutputPath.str(), plain.OutputPath.str());
    EXPECT_EQ(asked.Fields.str(), plain.Fields.str());
    EXPECT_EQ(asked.Tables, plain.Tables);

    for (const char* help : {"--help", "-h", "-?", "/?"})
        EXPECT_TRUE(Request({"/SILENT", help, "shop.mdb"}).Help) << help;
    EXPECT_FALSE(Request({"--HELP", "/H", "help"}).Help);
    EXPECT_FALSE(Request({"--versions", "--list-table", "--schema"}).Version);
}

TEST(CommandLineArgumentsTest, VersionNamesTheProgram) {
    EXPECT_EQ(VersionText("/usr/bin/varnex2007").rfind("varnex2007 (Varnex) ", 0), 0u);
    EXPECT_EQ(VersionText("").rfind("varnex (Varnex) ", 0), 0u);
}

// The bytes a run writes to a stream, as the program's "-" has it.
std::string RunToStream(ConversionSettings& settings, ConversionOutcome* outcome = nullptr) {
    std::FILE* stream = std::tmpfile();
    EXPECT_NE(stream, nullptr);
    settings.StandardOutput = stream;
    settings.OutputPath = "-";
    const ConversionOutcome result = RunConversion(settings, ConversionRoad::Unattended);
    if (outcome)
        *outcome = result;
    std::string bytes;
    std::rewind(stream);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) != 0;)
        bytes.append(chunk, got);
    std::fclose(stream);
    return bytes;
}

// Standard output receives exactly the bytes the files would have held, in
// run order, on one thread and on several.
TEST_F(CommandLineTest, StandardOutputHoldsTheFilesBytesInRunOrder) {
    std::filesystem::create_directory(output_);
    Parse({"/SILENT", "/HEADER=1", shop_, output_});
    ASSERT_TRUE(RunConversion(*fresh_, ConversionRoad::Unattended).Succeeded());
    const std::string expected = ReadAll(Out("Orders.csv")) + ReadAll(Out("customers.csv")) + ReadAll(Out("Empty.csv"));
    EXPECT_EQ(expected, "Id\r\n1\r\n2\r\nName\r\nAnn\r\nName\r\n");
    for (int32_t threads : {1, 4}) {
        Parse({"/SILENT", "/HEADER=1", shop_});
        fresh_->ExportThreads = threads;
        ConversionOutcome outcome;
        EXPECT_EQ(RunToStream(*fresh_, &outcome), expected) << threads << " threads";
        EXPECT_TRUE(outcome.Succeeded());
    }
}

class StandardOutputTest : public CommandLineTest {
protected:
    StandardOutputTest() {
        big_ = folder / "big.mdb";
        WriteAll(big_, "");
        auto file = memdb::Register(big_);
        auto& table = file->AddTable("Big", {{"N", DaoType::Long}, {"Name", DaoType::Text}});
        for (int i = 0; i < 60000; ++i) {
            table.Row({memdb::Long(i), i == kFailingRow ? memdb::Failing(memdb::kInvalidOperation)
                                                        : memdb::Text("row " + std::to_string(i))});
        }
        file->AddTable("Next", {{"Id", DaoType::Long}}).Row({memdb::Long(7)});
    }
    static constexpr int kFailingRow = 41000;
    std::string big_;
};

// A table that fails inside a record leaves its whole records and no byte of
// the broken one, and the next table starts on a line of its own.
TEST_F(StandardOutputTest, ATableThatFailsEndsAtItsLastWholeRecord) {
    std::string rows = "N,Name\r\n";
    for (int i = 0; i < kFailingRow; ++i)
        rows += std::to_string(i) + ",row " + std::to_string(i) + "\r\n";
    for (int32_t threads : {1, 4}) {
        Parse({"/SILENT", big_});
        fresh_->ExportThreads = threads;
        ConversionOutcome outcome;
        const std::string out = RunToStream(*fresh_, &outcome);
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_TRUE(out == rows + "Id\r\n7\r\n") << threads << " threads: " << out.size() << " bytes, ends "
                                                 << out.substr(out.size() - std::min<std::size_t>(out.size(), 40));
    }
}

// A stop between records ends the output at a whole record under any
// number of threads; a reader that went away stops the run, which fails.
TEST_F(StandardOutputTest, AStoppedRunOrAGoneReaderLeavesWholeRecords) {
    for (int32_t threads : {1, 4}) {
        Parse({"/SILENT", big_, "/TABLES=Big"});
        fresh_->ExportThreads = threads;
        RecordingProgress display(&*fresh_, 5000);
        fresh_->ProgressWindow = &display;
        ConversionOutcome outcome;
        const std::string out = RunToStream(*fresh_, &outcome);
        EXPECT_TRUE(outcome.Stopped);
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out.substr(out.size() - 2), "\r\n") << threads << " threads";
        // Every line is a whole record: its number and its text agree.
        std::size_t at = out.find("\r\n") + 2;
        int lines = 0;
        while (at < out.size()) {
            const std::size_t end = out.find("\r\n", at);
            const std::string line = out.substr(at, end - at);
            const std::string number = line.substr(0, line.find(','));
            EXPECT_EQ(line, number + ",row " + number) << threads << " threads, line " << lines;
            at = end + 2;
            ++lines;
        }
        EXPECT_GE(lines, 4999);
        EXPECT_LT(lines, kFailingRow);
    }

    Parse({"/SILENT", big_});
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr)
        GTEST_SKIP() << "no /dev/full to stand for a reader that went away";
    fresh_->StandardOutput = full;
    fresh_->OutputPath = "-";
    const ConversionOutcome outcome = RunConversion(*fresh_, ConversionRoad::Unattended);
    std::fclose(full);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_LT(outcome.RecordsDone, 60000);
    // The table after it is not tried: its bytes would go nowhere.
    EXPECT_EQ(outcome.TablesDone, 1);
    EXPECT_TRUE(outcome.Stopped);
}

// The progress calls an unattended run makes with a display, and that the
// display changes no byte of the files.
class ProgressEvents : public RecordingProgress {
public:
    void ProgressStartDatabase(std::string_view path) override { Events.push_back("database " + std::string(path)); }
    void ProgressEndTable() override { Events.push_back("end"); }
};

TEST_F(CommandLineTest, UnattendedRunReportsDatabasesTablesAndRowsToItsDisplay) {
    std::filesystem::create_directory(output_);
    Parse({"/SILENT", shop_, output_});
    ASSERT_TRUE(RunConversion(*fresh_, ConversionRoad::Unattended).Succeeded());
    const std::string plain = ReadAll(Out("Orders.csv")) + ReadAll(Out("customers.csv"));

    Parse({"/SILENT", shop_, output_, "/OVERWRITE=YES"});
    ProgressEvents display;
    fresh_->ProgressWindow = &display;
    ASSERT_TRUE(RunConversion(*fresh_, ConversionRoad::Unattended).Succeeded());
    EXPECT_EQ(ReadAll(Out("Orders.csv")) + ReadAll(Out("customers.csv")), plain);
    const std::vector<std::string> expected = {"database " + shop_,
                                               "file Orders -> " + Out("Orders.csv"),
                                               "start 2",
                                               "records 1",
                                               "records 2",
                                               "end",
                                               "file customers -> " + Out("customers.csv"),
                                               "start 1",
                                               "records 1",
                                               "end",
                                               "file Empty -> " + Out("Empty.csv"),
                                               "end"};
    EXPECT_EQ(display.Events, expected);
}

} // namespace
