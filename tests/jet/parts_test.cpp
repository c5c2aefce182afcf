// A table read in parts: each part keeps to its own blocks, in order, and
// the parts put back together block by block are the table read whole, also
// while they are read on threads of their own at the same time.

#include "ReadBack.h"

#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace building;

using Rows = std::vector<std::vector<std::string>>;

// Every record of one part with its block number.
struct PartRead {
    std::vector<std::pair<int32_t, std::vector<std::string>>> Records;
    std::string Error;
};

void ReadPart(Recordset& part, PartRead& out) {
    try {
        for (part.MoveFirst(); !part.Eof(); part.MoveNext()) {
            std::vector<std::string> row;
            const Fields& fields = part.GetFields();
            for (int16_t f = 0; f < fields.Count(); ++f)
                row.push_back(jettest::Plain(fields.Item(f).Value()));
            out.Records.emplace_back(part.Block(), std::move(row));
        }
    } catch (const EngineError& error) {
        out.Error = "engine error " + std::to_string(error.Code);
    }
}

// Reads the table in `stride` parts on as many threads and checks each part
// against its blocks; returns the records in block order.
Rows ReadInParts(Database& database, std::u16string_view table, int32_t stride) {
    auto records = database.OpenRecordset(table);
    const int32_t blocks = records->BlockCount();
    std::vector<std::unique_ptr<Recordset>> parts;
    for (int32_t k = 0; k < stride; ++k)
        parts.push_back(records->Part(k, stride));
    std::vector<PartRead> reads(static_cast<std::size_t>(stride));
    std::vector<std::thread> threads;
    for (int32_t k = 0; k < stride; ++k)
        threads.emplace_back(ReadPart, std::ref(*parts[k]), std::ref(reads[k]));
    for (std::thread& thread : threads)
        thread.join();

    std::map<int32_t, Rows> byBlock;
    for (int32_t k = 0; k < stride; ++k) {
        EXPECT_EQ(reads[k].Error, "") << "part " << k;
        int32_t last = -1;
        for (auto& [block, row] : reads[k].Records) {
            EXPECT_EQ(block % stride, k) << "part " << k << " read block " << block;
            EXPECT_GE(block, last) << "part " << k << " went back";
            EXPECT_LT(block, blocks);
            last = block;
            byBlock[block].push_back(std::move(row));
        }
    }
    Rows rows;
    for (auto& [block, blockRows] : byBlock)
        rows.insert(rows.end(), blockRows.begin(), blockRows.end());
    return rows;
}

class TempFile {
public:
    explicit TempFile(const std::string& name)
        : path_(fs::temp_directory_path() /
                (name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()))) {}
    ~TempFile() { fs::remove(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

constexpr int kRows = 8000;

// Thousands of rows over many pages, some deleted, some moved behind an
// overflow pointer, memos inline and on long-value pages.
MdbDescription ManyPages(FileFormat format) {
    MdbDescription description;
    description.format = format;
    TableSpec table;
    table.name = "Many";
    table.columns = {Col("Id", JetType::Long), Col("Name", JetType::Text, 100), Col("Note", JetType::Memo)};
    for (int r = 0; r < kRows; ++r) {
        table.rows.push_back({I(r),
                              T("row " + std::to_string(r) + (r % 9 == 0 ? " caf\xc3\xa9 " : " ") +
                                std::string(static_cast<std::size_t>(r % 40), 'w')),
                              r % 4 == 0 ? T(std::string(static_cast<std::size_t>(r % 500), 'n')) : Null});
    }
    for (std::size_t r = 5; r < kRows; r += 97)
        table.deletedRows.push_back(r);
    for (std::size_t r = 3; r < kRows; r += 131)
        table.overflowRows.push_back(r);
    description.tables.push_back(std::move(table));
    return description;
}

TEST(JetParts, PartsTogetherAreTheWholeTableInOrder) {
    for (FileFormat format : {FileFormat::Jet3, FileFormat::Jet4, FileFormat::Ace14}) {
        SCOPED_TRACE(static_cast<int>(format));
        TempFile file("varnex-jet-parts.mdb");
        WriteMdb(ManyPages(format), file.Path().string());
        const auto engine = CreateJetEngine(true);
        const auto database = jettest::Open(*engine, file.Path());
        const Rows whole = jettest::ReadTable(*database, u"Many");
        ASSERT_EQ(whole.size(), static_cast<std::size_t>(kRows - (kRows - 5 + 96) / 97));
        EXPECT_GT(database->OpenRecordset(u"Many")->BlockCount(), 3);
        for (int32_t stride : {1, 2, 3, 5})
            EXPECT_EQ(ReadInParts(*database, u"Many", stride), whole) << stride << " parts";
    }
}

TEST(JetParts, SampleTablesReadInPartsAsWhole) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    int tables = 0;
    jettest::ForEachOpenedSample(*engine, [&](const fs::path&, Database& database) {
        const auto tableDefs = database.GetTableDefs();
        for (int32_t i = 0; i < tableDefs->Count(); ++i) {
            const std::u16string name(tableDefs->Item(i)->Name());
            Rows whole;
            try {
                whole = jettest::ReadTable(database, name);
            } catch (const EngineError&) {
                continue; // linked tables, damaged samples
            }
            ++tables;
            EXPECT_EQ(ReadInParts(database, name, 2), whole) << jettest::Utf8(name);
        }
    });
    EXPECT_GT(tables, 0);
}

} // namespace
