#include "engine/Run.h"
#include "platform/Platform.h"

#include "tests/support/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

class RunTest : public EngineTest {
protected:
    RunTest() { settings.OutputPath = output.Path(); }

    // A database file on disk (for the pattern to find) registered with one
    // table T holding the given numbers.
    std::shared_ptr<memdb::File> Database(const std::string& name, std::vector<int> numbers,
                                          const std::string& table = "T") {
        const std::string path = folder / name;
        WriteAll(path, "");
        auto file = memdb::Register(path);
        auto& t = file->AddTable(table, {{"N", DaoType::Long}});
        for (int n : numbers)
            t.Row({memdb::Long(n)});
        return file;
    }

    ScratchFolder output;
};

TEST_F(RunTest, PatternConvertsEveryMatchInNameOrderAndSumsTheCounters) {
    Database("a2.mdb", {2, 2});
    Database("A1.mdb", {1});
    Database("a3.mdb", {3, 3, 3});
    Database("b1.mdb", {9});
    settings.SourcePath = folder / "a?.MDB";
    // The files follow each other in the order the platform reports them,
    // under the one header line the first of them wrote.
    std::string expected = "N\r\n";
    const std::vector<std::string> names = platform::FindMatchingNames(settings.SourcePath.str());
    ASSERT_EQ(names.size(), 3u);
    for (const std::string& name : names) {
        const int n = name[1] - '0';
        for (int i = 0; i < n; ++i)
            expected += std::to_string(n) + "\r\n";
    }
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 0);
    EXPECT_EQ(ReadAll(output / "T.csv"), expected);
    EXPECT_EQ(settings.TablesDone, 3);
    EXPECT_EQ(settings.RecordsDone, 6);
    EXPECT_EQ(settings.FilesFailed, 0);
    EXPECT_EQ(settings.SourcePath.str(), folder / names.back());
    // The library closes every database it converted.
    EXPECT_FALSE(settings.CurrentDatabase);
    for (const std::string& name : names)
        EXPECT_EQ(memdb::Find(folder / name)->Used.OpenHandles, 0) << name;
}

TEST_F(RunTest, ProgramFormKeepsTheLastDatabaseOpen) {
    auto first = Database("x1.mdb", {1});
    auto last = Database("x2.mdb", {2});
    settings.SourcePath = folder / "x*.mdb";
    ConvertMatchingFiles(settings);
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_EQ(first->Used.OpenHandles, 0);
    EXPECT_EQ(last->Used.OpenHandles, 1);
    EXPECT_TRUE(settings.CurrentDatabase);
}

TEST_F(RunTest, MatchingDirectoryAndDotNamesAreFailuresOrPassedOver) {
    std::filesystem::create_directory(folder / "dir.mdb");
    auto hidden = Database(".hidden.mdb", {5});
    Database("real.mdb", {4});
    settings.SourcePath = folder / "*.mdb";
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 3);
    EXPECT_EQ(ReadAll(output / "T.csv"), "N\r\n4\r\n");
    EXPECT_EQ(settings.FilesFailed, 1);
    EXPECT_EQ(hidden->Used.Opens, 0);
}

TEST_F(RunTest, PlainPathThatIsMissingFailsButAnEmptyPatternDoesNot) {
    settings.SourcePath = folder / "absent.mdb";
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 3);
    EXPECT_EQ(settings.FilesFailed, 1);

    settings.SourcePath = folder / "absent*.mdb";
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 0);
    settings.SourcePath = folder / "absent.mdb";
    ConvertMatchingFiles(settings);
    EXPECT_EQ(settings.FilesFailed, 2);
    EXPECT_EQ(settings.TablesDone, 0);
}

TEST_F(RunTest, TablesFilterAppliesToEveryDatabaseOfThePattern) {
    Database("f1.mdb", {1}, "Keep")->AddTable("Skip", {{"N", DaoType::Long}});
    Database("f2.mdb", {2}, "keep")->AddTable("Skip", {{"N", DaoType::Long}});
    settings.Tables = ";KEEP;";
    settings.SourcePath = folder / "f*.mdb";
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 0);
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_TRUE(Exists(output / "Keep.csv"));
    EXPECT_TRUE(Exists(output / "keep.csv"));
    EXPECT_FALSE(Exists(output / "Skip.csv"));
}

TEST_F(RunTest, LibraryCountsUnlistableOrUnclosableDatabasesAsFailed) {
    auto broken = Database("d1.mdb", {1});
    broken->TableDefsFailure = HResult::Fail;
    auto sticky = Database("d2.mdb", {2});
    sticky->CloseFailure = HResult::Fail;
    settings.SourcePath = folder / "d*.mdb";
    EXPECT_EQ(ConvertMatchingFilesLibrary(settings), 3);
    EXPECT_EQ(settings.FilesFailed, 2);
    EXPECT_EQ(ReadAll(output / "T.csv"), "N\r\n2\r\n"); // converted before its Close failed
    EXPECT_EQ(broken->Used.OpenHandles, 0);
    EXPECT_EQ(sticky->Used.OpenHandles, 0);
}

class ConvertTablesTest : public EngineTest {
protected:
    std::shared_ptr<memdb::File> Tables(std::vector<std::string> names) {
        auto file = memdb::Register("/db/t.mdb");
        for (std::string& name : names)
            file->AddTable(std::move(name), {{"N", DaoType::Long}}).Row({memdb::Long(1)}).Row({memdb::Long(2)});
        Open("/db/t.mdb");
        return file;
    }
};

TEST_F(ConvertTablesTest, ListedTablesGoInCollectionOrderWithExactNames) {
    Tables({"Orders", "Order", "Customers"});
    settings.TableList = ";Customers;;Orders;";
    ConvertTables(nullptr, settings);
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_TRUE(Exists(folder / "Orders.csv"));
    EXPECT_TRUE(Exists(folder / "Customers.csv"));
    EXPECT_FALSE(Exists(folder / "Order.csv"));

    // Collection order, not list order: one bare file shows which came first.
    settings.OutputPath = folder / "both.csv";
    ConvertTables(nullptr, settings);
    EXPECT_EQ(ReadAll(folder / "both.csv"), "N\r\n1\r\n2\r\n");
    // Appended to this run's own file under the header it already has.
    EXPECT_EQ(ReadAll(folder / "Customers.csv"), "N\r\n1\r\n2\r\n1\r\n2\r\n");
}

TEST_F(ConvertTablesTest, CancelDuringSecondTableStopsTheRun) {
    Tables({"T1", "T2", "T3", "T4", "T5"});
    settings.TableList = ";T1;;T2;;T3;;T4;;T5;";
    RecordingProgress progress(&settings, 3); // the first record of T2
    ConvertTables(&progress, settings);
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_EQ(ReadAll(folder / "T2.csv"), "N\r\n1\r\n");
    EXPECT_FALSE(Exists(folder / "T3.csv"));
    EXPECT_EQ(settings.RecordsDone, 3);
}

TEST_F(ConvertTablesTest, FailingTableIsCountedAndTheRunGoesOn) {
    auto file = Tables({"Bad", "Good"});
    file->Tables[0].Row({memdb::Failing(HResult::TypeMismatch)});
    settings.TableList = ";Bad;;Good;";
    ConvertTables(nullptr, settings);
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_EQ(settings.TablesFailed, 1);
    EXPECT_EQ(ReadAll(folder / "Bad.csv"), "N\r\n1\r\n2\r\n");
    EXPECT_EQ(ReadAll(folder / "Good.csv"), "N\r\n1\r\n2\r\n");
}

TEST_F(ConvertTablesTest, NoTableDefinitionsConvertNothing) {
    Tables({});
    settings.TableList = ";T;";
    ConvertTables(nullptr, settings);
    EXPECT_EQ(settings.TablesDone, 0);
    EXPECT_EQ(settings.RecordsDone, 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

} // namespace
