// Rows a table counts against the rows a scan reads. A stored count above
// the rows present is only stale; rows the scan cannot read are counted apart,
// and the rows after them are still read. Over every sample, too: how many
// tables have stale counts, and how many rows are unreadable.

#include "CorpusFiles.h"
#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

using namespace building;

constexpr std::size_t kPage = 4096;

uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Get16(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Data pages of the table whose definition stores `rows` as its count
// (the catalog's own definition, on page 2, is left out).
struct TablePages {
    std::size_t Definition = 0;
    std::vector<std::size_t> Data;
};

TablePages PagesOf(const std::vector<uint8_t>& bytes, uint32_t rows) {
    TablePages found;
    for (std::size_t page = 3; (page + 1) * kPage <= bytes.size(); ++page)
        if (bytes[page * kPage] == 0x02 && Get32(bytes, page * kPage + 0x10) == rows)
            found.Definition = page;
    for (std::size_t page = 3; (page + 1) * kPage <= bytes.size(); ++page)
        if (found.Definition != 0 && bytes[page * kPage] == 0x01 && Get32(bytes, page * kPage + 4) == found.Definition)
            found.Data.push_back(page);
    return found;
}

class RowCounts : public ::testing::Test {
protected:
    // Items(ID, Name): ids 0..rows-1, the given positions written and deleted.
    std::vector<uint8_t> Write(int rows, std::vector<std::size_t> deleted, int textLength = 20) {
        MdbDescription d;
        TableSpec t;
        t.name = "Items";
        t.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 255)};
        for (int i = 0; i < rows; ++i)
            t.rows.push_back(
                {I(i), T(std::string(static_cast<std::size_t>(textLength), static_cast<char>('a' + i % 26)))});
        t.deletedRows = std::move(deleted);
        d.tables = {t};
        return WriteMdbToMemory(d);
    }
    std::unique_ptr<Database> Open(const std::vector<uint8_t>& bytes) {
        const std::string path = scratch_.file("items" + std::to_string(files_++) + ".mdb");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return jettest::Open(*engine_, path);
    }
    static std::vector<int> Ids(Recordset& records, int64_t& unreadable) {
        std::vector<int> ids;
        for (records.MoveFirst(); !records.Eof(); records.MoveNext())
            ids.push_back(records.GetFields().Item(0).Value().I4);
        unreadable = records.RowsUnreadable();
        return ids;
    }

    oracle::Scratch scratch_;
    std::unique_ptr<DBEngine> engine_ = CreateJetEngine(true);
    int files_ = 0;
};

TEST_F(RowCounts, AStaleCountIsNoLossAndDeletedRowsAreNotUnreadable) {
    std::vector<uint8_t> bytes = Write(6, {1, 4});
    const TablePages pages = PagesOf(bytes, 4);
    ASSERT_NE(pages.Definition, 0u);
    // The stored count says 9, as after rows were removed without it being updated.
    bytes[pages.Definition * kPage + 0x10] = 9;
    const auto database = Open(bytes);
    const auto records = database->OpenRecordset(u"Items");
    EXPECT_EQ(records->RecordCount(), 9);
    int64_t unreadable = -1;
    EXPECT_EQ(Ids(*records, unreadable), (std::vector<int>{0, 2, 3, 5}));
    EXPECT_EQ(unreadable, 0);
}

TEST_F(RowCounts, DamagedRowsAreCountedAndTheRowsAfterThemStillRead) {
    std::vector<uint8_t> bytes = Write(7, {4});
    const TablePages pages = PagesOf(bytes, 6);
    ASSERT_EQ(pages.Data.size(), 1u);
    const std::size_t page = pages.Data[0] * kPage;
    ASSERT_EQ(Get16(bytes, page + 12), 7);
    // Row 6: its offset points past the page (a row ends where the one
    // before it starts, so the last one alone is hit). Row 2: its record
    // claims more columns than its bytes could mask. The deleted row 4
    // stays absent.
    const uint16_t entry6 = Get16(bytes, page + 14 + 12);
    Put16(bytes, page + 14 + 12, static_cast<uint16_t>((entry6 & 0xE000) | 0x1FFF));
    const uint16_t start2 = Get16(bytes, page + 14 + 4) & 0x1FFF;
    Put16(bytes, page + start2, 0xFFFF);

    const auto database = Open(bytes);
    const auto records = database->OpenRecordset(u"Items");
    int64_t unreadable = -1;
    EXPECT_EQ(Ids(*records, unreadable), (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(unreadable, 2);
    // A second pass counts afresh.
    EXPECT_EQ(Ids(*records, unreadable).size(), 4u);
    EXPECT_EQ(unreadable, 2);
}

TEST_F(RowCounts, PartsCountTheUnreadableRowsOfTheirOwnBlocks) {
    // Long texts spread the rows over several blocks of pages.
    std::vector<uint8_t> bytes = Write(3000, {}, 200);
    const TablePages pages = PagesOf(bytes, 3000);
    ASSERT_GT(pages.Data.size(), 64u);
    // A page of the second block and one of the third lose their row table.
    for (const std::size_t k : {40u, 70u})
        Put16(bytes, pages.Data[k] * kPage + 12, 0x7FFF);
    const auto database = Open(bytes);
    auto records = database->OpenRecordset(u"Items");
    int64_t whole = 0;
    const std::size_t read = Ids(*records, whole).size();
    EXPECT_EQ(whole, 2);
    EXPECT_LT(read, 3000u);
    ASSERT_GE(records->BlockCount(), 3);
    int64_t parts = 0;
    std::size_t partRows = 0;
    for (int32_t first = 0; first < 2; ++first) {
        const auto part = records->Part(first, 2);
        int64_t unreadable = 0;
        partRows += Ids(*part, unreadable).size();
        parts += unreadable;
    }
    EXPECT_EQ(parts, 2);
    EXPECT_EQ(partRows, read);
}

TEST(JetRowCount, SamplesUnderTheUnreadableRowCount) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    int files = 0, tables = 0, equal = 0, more = 0, stale = 0, damaged = 0;
    jettest::ForEachOpenedSample(*engine, [&](const fs::path& relative, Database& database) {
        ++files;
        const auto tableDefs = database.GetTableDefs();
        for (int32_t i = 0; i < tableDefs->Count(); ++i) {
            const std::u16string name(tableDefs->Item(i)->Name());
            std::unique_ptr<Recordset> records;
            try {
                records = database.OpenRecordset(name);
            } catch (const EngineError&) {
                continue; // linked tables hold no rows here
            }
            int32_t rows = 0;
            for (records->MoveFirst(); !records->Eof(); records->MoveNext())
                ++rows;
            const int32_t counted = records->RecordCount();
            const int64_t unreadable = records->RowsUnreadable();
            ++tables;
            // Undamaged samples: nothing a scan passes over is unreadable.
            EXPECT_EQ(unreadable, 0) << relative.generic_string() << " / " << jettest::Utf8(name);
            if (unreadable > 0)
                ++damaged;
            if (rows == counted) {
                ++equal;
            } else if (rows > counted) {
                ++more;
                std::cout << "[ figures ] " << relative.generic_string() << " / " << jettest::Utf8(name) << ": " << rows
                          << " rows, counted " << counted << "\n";
            } else {
                ++stale;
                std::cout << "[ figures ] stale count: " << relative.generic_string() << " / " << jettest::Utf8(name)
                          << ": " << rows << " rows, counted " << counted << "\n";
            }
        }
    });
    std::cout << "[ figures ] " << files << " files, " << tables << " tables (system tables included): " << equal
              << " read exactly their count, " << more << " more than it, " << stale
              << " fewer with nothing unreadable (stale counts, no failure), " << damaged << " with unreadable rows\n";
}

} // namespace
