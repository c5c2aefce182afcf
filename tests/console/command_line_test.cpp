// The program's additions over databases held in memory: the table list, the
// standard-output relay against the files a run writes, and the progress
// calls an unattended run makes.

#include "engine/Conversion.h"
#include "engine/LoadDatabase.h"
#include "wizard/ProgramExtras.h"
#include "wizard/StandardOutput.h"

#include "tests/engine/EngineTestSupport.h"

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

bool Asks(bool (*test)(int, const char* const*), std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "varnex");
    return test(static_cast<int>(arguments.size()), arguments.data());
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
    EXPECT_TRUE(Asks(AsksForStandardOutput, {"/SILENT", "shop.mdb", "-"}));
    EXPECT_TRUE(Asks(AsksForStandardOutput, {"./out", "-", "/TABLES=Orders", "shop.mdb"}));
    EXPECT_FALSE(Asks(AsksForStandardOutput, {"-", "./out"}));
    EXPECT_FALSE(Asks(AsksForStandardOutput, {"-", "/STATUS=x", "orders.csv"}));
    EXPECT_FALSE(Asks(AsksForStandardOutput, {"/SILENT", "shop.mdb", "./out", "--"}));

    EXPECT_TRUE(Asks(AsksForQuiet, {"/quiet"}));
    EXPECT_TRUE(Asks(AsksForQuiet, {"shop.mdb", "-QUIET"}));
    EXPECT_FALSE(Asks(AsksForQuiet, {"/QUIETLY", "quiet"}));
}

TEST(CommandLineArgumentsTest, VersionNamesTheProgram) {
    EXPECT_EQ(VersionText("/usr/bin/varnex2007").rfind("varnex2007 (Varnex) ", 0), 0u);
    EXPECT_EQ(VersionText("").rfind("varnex (Varnex) ", 0), 0u);
}

// Standard output receives exactly the bytes the files would have held, in
// run order, whatever the table's length; the private folder goes at the end.
TEST_F(CommandLineTest, RelayPassesOnTheFilesBytesInRunOrder) {
    std::filesystem::create_directory(output_);
    Parse({"/SILENT", "/HEADER=1", shop_, output_});
    ASSERT_TRUE(RunConversion(*fresh_, ConversionRoad::Unattended).Succeeded());
    const std::string expected = ReadAll(Out("Orders.csv")) + ReadAll(Out("customers.csv")) +
                                 ReadAll(Out("Empty.csv"));
    EXPECT_EQ(expected, "Id\r\n1\r\n2\r\nName\r\nAnn\r\nName\r\n");

    std::string piped;
    std::string folderUsed;
    {
        Parse({"/SILENT", "/HEADER=1", shop_});
        StandardOutputRelay relay(*fresh_, [&](std::string_view bytes) {
            piped.append(bytes);
            return true;
        });
        ASSERT_TRUE(relay.Prepare());
        folderUsed = relay.Folder();
        fresh_->ProgressWindow = &relay;
        const ConversionOutcome outcome = RunConversion(*fresh_, ConversionRoad::Unattended);
        relay.Finish();
        EXPECT_TRUE(outcome.Succeeded());
        EXPECT_FALSE(relay.Failed());
        EXPECT_TRUE(std::filesystem::is_empty(folderUsed));
    }
    EXPECT_EQ(piped, expected);
    EXPECT_FALSE(std::filesystem::exists(folderUsed));
}

TEST_F(CommandLineTest, LongTableReachesTheReaderWhileItIsWrittenAndAGoneReaderStopsTheRun) {
    const std::string big = folder / "big.mdb";
    WriteAll(big, "");
    auto& table = memdb::Register(big)->AddTable("Big", {{"N", DaoType::Long}});
    std::string expected = "N\r\n";
    for (int i = 0; i < 60000; ++i) {
        table.Row({memdb::Long(i)});
        expected += std::to_string(i) + "\r\n";
    }

    Parse({"/SILENT", big});
    std::vector<std::size_t> pieces;
    std::string piped;
    StandardOutputRelay relay(*fresh_, [&](std::string_view bytes) {
        pieces.push_back(bytes.size());
        piped.append(bytes);
        return true;
    });
    ASSERT_TRUE(relay.Prepare());
    fresh_->ProgressWindow = &relay;
    EXPECT_TRUE(RunConversion(*fresh_, ConversionRoad::Unattended).Succeeded());
    // Compared whole: a diff of 400 kB would say nothing more.
    EXPECT_TRUE(piped == expected) << piped.size() << " bytes piped, " << expected.size() << " expected";
    EXPECT_GT(pieces.size(), 2u) << "passed on while the table was written";

    // The reader goes away after the first piece: the run stops, and fails.
    Parse({"/SILENT", big});
    int calls = 0;
    StandardOutputRelay broken(*fresh_, [&](std::string_view) { return ++calls < 2; });
    ASSERT_TRUE(broken.Prepare());
    fresh_->ProgressWindow = &broken;
    const ConversionOutcome outcome = RunConversion(*fresh_, ConversionRoad::Unattended);
    EXPECT_TRUE(broken.Failed());
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_LT(outcome.RecordsDone, 60000);
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
    const std::vector<std::string> expected = {
        "database " + shop_,
        "file Orders -> " + Out("Orders.csv"), "start 2", "step", "times 0/2", "step", "times 1/2", "end",
        "file customers -> " + Out("customers.csv"), "start 1", "step", "times 0/1", "end",
        "file Empty -> " + Out("Empty.csv"), "end"};
    EXPECT_EQ(display.Events, expected);
}

} // namespace
