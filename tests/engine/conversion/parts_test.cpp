// A table read in parts on several threads must write the very bytes one
// thread writes, in the table's order, and fail or stop where one thread
// would. The in-memory tables say which block each row lies in.

#include "engine/Export.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <algorithm>
#include <cmath>

using namespace enginetest;

namespace {

const char* const kDb = "/db/parts.mdb";

// Rows of mixed cells spread over `blocks` blocks: some blocks hold many
// rows, some one, some none at all.
memdb::Table& AddMixedTable(memdb::File& file, int rows, int blocks, unsigned seed) {
    memdb::Table& table = file.AddTable(
        "Mixed", {{"Id", DaoType::Long}, {"Ratio", DaoType::Double}, {"Name", DaoType::Text}, {"Note", DaoType::Memo}});
    std::mt19937 random(seed);
    for (int r = 0; r < rows; ++r) {
        const std::string name = r % 7 == 0 ? "say \"hi\", then go" : "name " + std::to_string(random() % 1000);
        table.Row({memdb::Long(r), r % 5 == 0 ? memdb::Null() : memdb::Double(r / 7.0), memdb::Text(name),
                   r % 3 == 0 ? memdb::Text(std::string(random() % 300, 'x') + "\r\nend") : memdb::Null()});
    }
    std::vector<int32_t> cuts;
    for (int b = 0; b < blocks; ++b)
        cuts.push_back(static_cast<int32_t>(random() % (rows + 1)));
    std::sort(cuts.begin(), cuts.end());
    // Row r lies in the block of the cuts at or before it (at most the last).
    for (int r = 0; r < rows; ++r) {
        const auto before = static_cast<int32_t>(std::upper_bound(cuts.begin(), cuts.end(), r) - cuts.begin());
        table.RowBlocks.push_back(std::min(before, blocks - 1));
    }
    table.Blocks = blocks;
    return table;
}

class PartsTest : public EngineTest {
protected:
    // The table's file as written with the given number of threads.
    std::string ExportWith(int32_t threads, const std::string& name) {
        settings.ExportThreads = threads;
        settings.OutputPath = folder / name;
        settings.FilesWritten.clear();
        ExportTable(nullptr, settings, "Mixed");
        return ReadAll(folder / name);
    }
    // The file as far as the export got before it failed with DAO error 3049.
    std::string FailingExportWith(int32_t threads) {
        const std::string name = "failed" + std::to_string(threads) + ".csv";
        settings.ExportThreads = threads;
        settings.OutputPath = folder / name;
        settings.FilesWritten.clear();
        try {
            ExportTable(nullptr, settings, "Mixed");
            ADD_FAILURE() << "no error with " << threads << " threads";
        } catch (const EngineError& error) {
            EXPECT_EQ(error.Code, HResult::DaoError(3049));
        }
        return ReadAll(folder / name);
    }
};

TEST_F(PartsTest, EveryThreadCountWritesTheBytesOfOneThread) {
    auto file = memdb::Register(kDb);
    AddMixedTable(*file, 3000, 40, 7);
    Open(kDb);
    for (int quotes : {1, 0}) {
        settings.DoubleQuotes = quotes;
        settings.RecordsDone = 0;
        const std::string round = std::to_string(quotes);
        const std::string expected = ExportWith(1, "one" + round + ".csv");
        ASSERT_EQ(settings.RecordsDone, 3000);
        EXPECT_NE(expected.find("\r\n2999,"), std::string::npos);
        for (int32_t threads : {2, 3, 4, 7}) {
            settings.RecordsDone = 0;
            EXPECT_EQ(ExportWith(threads, "many" + std::to_string(threads) + round + ".csv"), expected)
                << threads << " threads, quotes " << quotes;
            EXPECT_EQ(settings.RecordsDone, 3000);
        }
    }
    // Parts are not recordsets the export opens and closes.
    EXPECT_EQ(file->Used.RecordsetsOpened, file->Used.RecordsetsClosed);
}

TEST_F(PartsTest, BlocksWithoutRecordsAndMoreThreadsThanBlocks) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 50, 2, 3);
    // Every row in the last of many blocks: all the others are empty.
    table.Blocks = 30;
    std::fill(table.RowBlocks.begin(), table.RowBlocks.end(), 29);
    Open(kDb);
    const std::string expected = ExportWith(1, "one.csv");
    EXPECT_EQ(ExportWith(4, "four.csv"), expected);
    table.Blocks = 2;
    std::fill(table.RowBlocks.begin(), table.RowBlocks.end(), 0);
    EXPECT_EQ(ExportWith(8, "eight.csv"), expected);
}

// JSON Lines and portable CSV read in parts write the bytes of one thread
// too, and count what had no faithful text once.
TEST_F(PartsTest, TypedFormatsInPartsWriteTheBytesOfOneThread) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 3000, 40, 5);
    table.Rows[1234][1] = memdb::Double(std::nan(""));
    table.Rows[2222][1] = memdb::Double(std::nan(""));
    Open(kDb);
    for (const bool json : {true, false}) {
        settings.Format = json ? TableFormat::JsonLines : TableFormat::Csv;
        settings.Portable = json ? 0 : 1;
        const std::string kind = json ? "json" : "portable";
        settings.Warnings.clear();
        const std::string expected = ExportWith(1, kind + "1.txt");
        ASSERT_EQ(settings.Warnings.size(), 1u) << kind;
        EXPECT_NE(settings.Warnings[0].find("2 values not a finite number"), std::string::npos) << settings.Warnings[0];
        EXPECT_NE(expected.find(json ? "\"Name\":\"say \\\"hi\\\", then go\"" : "\"say \"\"hi\"\", then go\""),
                  std::string::npos)
            << kind;
        for (int32_t threads : {2, 4}) {
            settings.Warnings.clear();
            EXPECT_EQ(ExportWith(threads, kind + std::to_string(threads) + ".txt"), expected) << kind << threads;
            ASSERT_EQ(settings.Warnings.size(), 1u) << kind << threads;
            EXPECT_NE(settings.Warnings[0].find("2 values not a finite number"), std::string::npos);
        }
    }
}

// Rows the reader passes over are counted in whichever part meets them: the
// table fails with the same count, after the same bytes, on any thread count.
TEST_F(PartsTest, UnreadableRowsOfEveryPartAreCountedOnce) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 2000, 30, 11);
    table.UnreadableRows = {0, 17, 640, 641, 1999};
    Open(kDb);
    const std::string expected = ExportWith(1, "one.csv");
    ASSERT_EQ(settings.Failures.size(), 1u);
    EXPECT_NE(settings.Failures[0].Reason.find("5 rows could not be read"), std::string::npos)
        << settings.Failures[0].Reason;
    for (int32_t threads : {2, 3, 4}) {
        settings.Failures.clear();
        EXPECT_EQ(ExportWith(threads, "many" + std::to_string(threads) + ".csv"), expected) << threads;
        ASSERT_EQ(settings.Failures.size(), 1u) << threads;
        EXPECT_NE(settings.Failures[0].Reason.find("5 rows could not be read"), std::string::npos)
            << settings.Failures[0].Reason;
    }
}

// Blocks holding values of megabytes go to the writer in pieces as they are
// formatted: the file is still the bytes of one thread, in order.
TEST_F(PartsTest, BlocksWithHugeValuesArriveInPiecesInOrder) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 400, 12, 5);
    for (const std::size_t row : {3u, 150u, 151u, 399u}) {
        std::string huge(5'000'000 + row, static_cast<char>('a' + row % 26));
        huge[row] = '"';
        huge[huge.size() / 2] = ',';
        table.Rows[row][3] = memdb::Text(huge);
    }
    Open(kDb);
    const std::string expected = ExportWith(1, "one.csv");
    ASSERT_GT(expected.size(), 20'000'000u);
    for (int32_t threads : {2, 3, 4})
        EXPECT_TRUE(ExportWith(threads, "many" + std::to_string(threads) + ".csv") == expected) << threads;
}

TEST_F(PartsTest, AFailingValueEndsTheTableAfterTheSameBytes) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 2000, 25, 11);
    table.Rows[1234][2] = memdb::Failing(HResult::DaoError(3049));
    Open(kDb);
    const std::string expected = FailingExportWith(1);
    // Everything before the failing cell is kept, nothing after it.
    EXPECT_NE(expected.find("\r\n1233,"), std::string::npos);
    EXPECT_EQ(expected.find("\r\n1235,"), std::string::npos);
    for (int32_t threads : {2, 4})
        EXPECT_EQ(FailingExportWith(threads), expected) << threads << " threads";
}

TEST_F(PartsTest, AFailedMoveIntoALaterBlockComesAfterTheBlocksBetween) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 1200, 12, 17);
    // A hundred rows a block; the move onto the first row of block 6 fails.
    // The part of blocks 0, 2, 4, 6 meets it right after block 4, while one
    // thread writes block 5 first.
    for (std::size_t r = 0; r < table.RowBlocks.size(); ++r)
        table.RowBlocks[r] = static_cast<int32_t>(r / 100);
    table.MoveFailureRow = 600;
    Open(kDb);
    const std::string expected = FailingExportWith(1);
    EXPECT_NE(expected.find("\r\n599,"), std::string::npos);
    EXPECT_EQ(expected.find("\r\n600,"), std::string::npos);
    for (int32_t threads : {2, 3})
        EXPECT_EQ(FailingExportWith(threads), expected) << threads << " threads";
}

TEST_F(PartsTest, PartsThatCannotBeTakenLeaveTheTableToOneThread) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 1500, 12, 13);
    Open(kDb);
    const std::string expected = ExportWith(1, "one.csv");
    // A part whose first record is damaged cannot be opened; one thread then
    // writes every record before that one, as it always would.
    table.PartFailure = HResult::DaoError(3049);
    settings.RecordsDone = 0;
    EXPECT_EQ(ExportWith(3, "three.csv"), expected);
    EXPECT_EQ(settings.RecordsDone, 1500);
    EXPECT_EQ(settings.TablesFailed, 0);
}

TEST_F(PartsTest, AStopRequestLeavesAReplacedFileAsItWas) {
    auto file = memdb::Register(kDb);
    AddMixedTable(*file, 1000, 10, 5);
    Open(kDb);
    WriteAll(folder / "Mixed.csv", "old\r\n");
    settings.OverWrite = 1;
    settings.StopRequested = 1;
    for (int32_t threads : {1, 3}) {
        settings.ExportThreads = threads;
        settings.OutputPath = folder.Path();
        ExportTable(nullptr, settings, "Mixed");
        EXPECT_EQ(ReadAll(folder / "Mixed.csv"), "old\r\n") << threads << " threads";
        EXPECT_FALSE(Exists(folder / "Mixed.csv.incomplete"));
        EXPECT_EQ(settings.TablesFailed, 0);
    }
}

// Values without a text (dates out of range) in several blocks: the same
// empty cells, and the same first one named, on every thread count.
TEST_F(PartsTest, ValuesWithoutATextAreLeftEmptyAlikeOnEveryThreadCount) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = AddMixedTable(*file, 2000, 30, 11);
    table.Columns.push_back({"When", DaoType::Date});
    for (std::size_t r = 0; r < table.Rows.size(); ++r)
        table.Rows[r].push_back(r == 777 || r == 1500 || r == 1999 ? memdb::Date(r == 1500 ? -1e9 : 3e6)
                                                                   : memdb::Date(40000.0 + static_cast<double>(r)));
    Open(kDb);
    std::string expected;
    std::vector<std::string> warnings;
    for (int32_t threads : {1, 2, 4, 7}) {
        settings.Warnings.clear();
        const std::string written = ExportWith(threads, "dates" + std::to_string(threads) + ".csv");
        EXPECT_EQ(settings.TablesFailed, 0);
        if (threads == 1) {
            expected = written;
            warnings = settings.Warnings;
            EXPECT_EQ(expected.substr(expected.size() - 3), ",\r\n") << "the last record's date is empty";
            ASSERT_EQ(warnings.size(), 1u);
            // Row 778 is the 778th record, the first without a date text.
            EXPECT_NE(warnings[0].find(": 3 could not be written as text, the first in field When of row 778 ("),
                      std::string::npos)
                << warnings[0];
            continue;
        }
        EXPECT_EQ(written, expected) << threads << " threads";
        EXPECT_EQ(settings.Warnings, warnings) << threads << " threads";
    }
}

// A display with a window (the wizard's page) no longer holds the table to
// one thread: it hears of the records block by block, up to the last one.
TEST_F(PartsTest, AWindowedDisplayHearsOfEveryBlockWhileTheTableIsReadInParts) {
    auto file = memdb::Register(kDb);
    AddMixedTable(*file, 300, 6, 9);
    Open(kDb);
    settings.ExportThreads = 1;
    ExportTable(nullptr, settings, "Mixed");
    const std::string single = ReadAll(folder / "Mixed.csv");

    std::filesystem::remove(folder / "Mixed.csv");
    settings.FilesWritten.clear();
    settings.HeadersWritten.clear();
    settings.ExportThreads = 4;
    RecordingProgress progress;
    ASSERT_NE(progress.Handle(), nullptr);
    ExportTable(&progress, settings, "Mixed");
    EXPECT_EQ(ReadAll(folder / "Mixed.csv"), single);
    EXPECT_EQ(progress.Written, 300);
    EXPECT_GT(progress.Reports, 1);
    EXPECT_LT(progress.Reports, 300) << "reported per record: the table stayed on one thread";
}

} // namespace
