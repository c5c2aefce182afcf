// What a run tells about what it could not do, and what it leaves on disk
// when a table does not complete.

#include "engine/Conversion.h"
#include "engine/Export.h"
#include "engine/Run.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <algorithm>

using namespace enginetest;

namespace {

class FailuresTest : public EngineTest {
protected:
    FailuresTest() { settings.OutputPath = output.Path(); }

    std::shared_ptr<memdb::File> Database(const std::string& name, const std::string& table, int rows) {
        const std::string path = folder / name;
        WriteAll(path, "");
        auto file = memdb::Register(path);
        auto& t = file->AddTable(table, {{"N", DaoType::Long}});
        for (int i = 1; i <= rows; ++i)
            t.Row({memdb::Long(i)});
        return file;
    }

    ScratchFolder output;
};

TEST_F(FailuresTest, EachFailureNamesItsFileTableAndReason) {
    Database("good.mdb", "T", 1);
    auto broken = Database("locked.mdb", "T", 1);
    broken->OpenFailure = HResult::DaoError(3031);
    auto tables = Database("tables.mdb", "Fine", 1);
    tables->AddTable("Bad", {{"N", DaoType::Long}}).OpenRecordsetFailure = HResult::Fail;

    settings.SourcePath = folder / "*.mdb";
    ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Library);
    EXPECT_EQ(outcome.FilesFailed, 1);
    EXPECT_EQ(outcome.TablesFailed, 1);
    ASSERT_EQ(outcome.Failures.size(), 2u);
    EXPECT_EQ(outcome.Failures[0].Database, folder / "locked.mdb");
    EXPECT_EQ(outcome.Failures[0].Table, "");
    EXPECT_FALSE(outcome.Failures[0].Reason.empty());
    EXPECT_EQ(outcome.Failures[1].Database, folder / "tables.mdb");
    EXPECT_EQ(outcome.Failures[1].Table, "Bad");
    EXPECT_EQ(outcome.Failures[1].Reason, "The records cannot be read.");

    // A plain path that names nothing, and an output folder that is not there.
    ConversionSettings missing;
    InitSettings(missing);
    missing.SourcePath = folder / "absent.mdb";
    missing.OutputPath = output.Path();
    outcome = RunConversion(missing, ConversionRoad::Library);
    ASSERT_EQ(outcome.Failures.size(), 1u);
    EXPECT_EQ(outcome.Failures[0].Database, folder / "absent.mdb");
    EXPECT_EQ(outcome.Failures[0].Reason, "no such file");

    ConversionSettings nowhere;
    InitSettings(nowhere);
    nowhere.SourcePath = folder / "good.mdb";
    nowhere.OutputPath = output / "absent";
    outcome = RunConversion(nowhere, ConversionRoad::Library);
    EXPECT_EQ(outcome.FilesFailed, 0);
    EXPECT_EQ(outcome.TablesFailed, 1);
    ASSERT_EQ(outcome.Failures.size(), 1u);
    EXPECT_EQ(outcome.Failures[0].Table, "T");
    EXPECT_EQ(outcome.Failures[0].Reason,
              "cannot create the output file " + (output / "absent") + platform::PathSeparator + "T.csv");
}

TEST_F(FailuresTest, NamesThatMatchNothingAreWarnedAboutWithoutChangingTheRun) {
    Database("a.mdb", "Orders", 2);
    Database("b.mdb", "Items", 1);
    settings.SourcePath = folder / "?.mdb";
    settings.Tables = ";ORDERS;NOPE;ITEMS;";
    ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Unattended);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.TablesDone, 2);
    ASSERT_EQ(outcome.Warnings.size(), 1u);
    EXPECT_NE(outcome.Warnings[0].find("\"NOPE\""), std::string::npos) << outcome.Warnings[0];

    // A field list that selects no column of a table: the file is written as
    // before (record delimiters only), and the table is named.
    std::filesystem::remove(output / "Orders.csv");
    ConversionSettings fields;
    InitSettings(fields);
    fields.SourcePath = folder / "a.mdb";
    fields.OutputPath = output.Path();
    fields.OnlyFields = ";NUMBER;";
    outcome = RunConversion(fields, ConversionRoad::Unattended);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(ReadAll(output / "Orders.csv"), "\r\n\r\n\r\n");
    ASSERT_EQ(outcome.Warnings.size(), 1u);
    EXPECT_NE(outcome.Warnings[0].find("table Orders"), std::string::npos) << outcome.Warnings[0];
}

// Appending to a file that was there: a stop takes this table's bytes back
// out and says so; a failure of another kind keeps what was written.
TEST_F(FailuresTest, AStoppedAppendCutsTheFileBackAndAFailedOneKeepsItsPart) {
    auto file = Database("a.mdb", "T", 4);
    Open(folder / "a.mdb");
    const std::string target = output / "T.csv";
    settings.OverWrite = 0;
    WriteAll(target, "earlier\r\n");
    RecordingProgress stopper(&settings, 2);
    ExportTable(&stopper, settings, "T");
    EXPECT_EQ(ReadAll(target), "earlier\r\n");
    ASSERT_EQ(settings.Warnings.size(), 1u);
    EXPECT_NE(settings.Warnings[0].find("cut back to the 9 bytes"), std::string::npos) << settings.Warnings[0];

    settings.StopRequested = 0;
    settings.Warnings.clear();
    file->Tables[0].Row({memdb::Failing(HResult::TypeMismatch)});
    EXPECT_THROW(ExportTable(nullptr, settings, "T"), EngineError);
    const std::string kept = ReadAll(target);
    EXPECT_EQ(kept.rfind("earlier\r\n", 0), 0u);
    EXPECT_GT(kept.size(), std::string("earlier\r\n").size());
    EXPECT_TRUE(settings.Warnings.empty());
}

TEST_F(FailuresTest, AReplacedFileChangesOnlyWhenTheNewOneIsComplete) {
    auto file = Database("r.mdb", "T", 4);
    Open(folder / "r.mdb");
    const std::string target = output / "T.csv";
    settings.OverWrite = 1;

    // Stopped part-way: the earlier file stays, and no partial file is left.
    WriteAll(target, "good\r\n");
    RecordingProgress stopper(&settings, 2);
    ExportTable(&stopper, settings, "T");
    EXPECT_EQ(ReadAll(target), "good\r\n");
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"T.csv"});

    // Failing part-way (a value that cannot be converted).
    settings.StopRequested = 0;
    file->Tables[0].Row({memdb::Failing(HResult::TypeMismatch)});
    EXPECT_THROW(ExportTable(nullptr, settings, "T"), EngineError);
    EXPECT_EQ(ReadAll(target), "good\r\n");
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"T.csv"});

    // Records that cannot be opened at all.
    file->Tables[0].Rows.pop_back();
    file->Tables[0].OpenRecordsetFailure = HResult::Fail;
    ExportTable(nullptr, settings, "T");
    EXPECT_EQ(settings.TablesFailed, 1);
    EXPECT_EQ(ReadAll(target), "good\r\n");
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"T.csv"});
    file->Tables[0].OpenRecordsetFailure.reset();

    // Complete: replaced.
    ExportTable(nullptr, settings, "T");
    EXPECT_EQ(ReadAll(target), "N\r\n1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"T.csv"});
}

TEST_F(FailuresTest, AStoppedAppendLeavesTheFileAsItWas) {
    Database("s.mdb", "T", 5);
    Open(folder / "s.mdb");
    const std::string target = output / "T.csv";
    WriteAll(target, "N\r\n0\r\n");
    settings.Header = 0;
    RecordingProgress stopper(&settings, 3);
    ExportTable(&stopper, settings, "T");
    EXPECT_EQ(ReadAll(target), "N\r\n0\r\n");
    EXPECT_EQ(settings.TablesFailed, 0); // a stop is the run's to report, not a failed table
}

} // namespace
