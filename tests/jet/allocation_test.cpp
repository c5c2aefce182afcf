// Reading cost: no heap allocation per cell once a recordset is warm, a
// bounded page cache that gives the same results however small, and the
// rows-per-second figure of the largest sample table for the test log.

#include "CorpusFiles.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/Catalog.h"
#include "jet/JetEngine.h"
#include "jet/RecordLayout.h"
#include "jet/TableScan.h"
#include "jet/Values.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VARNEX_COUNT_ALLOCATIONS 0 // the sanitizer owns operator new
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNEX_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef VARNEX_COUNT_ALLOCATIONS
#define VARNEX_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<long> gAllocations{0};
}

#if VARNEX_COUNT_ALLOCATIONS
// Counts every allocation of this test program; only differences are read.
void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

namespace fs = std::filesystem;

struct Largest {
    fs::path File;
    std::u16string Table;
    int32_t Rows = 0;
};

Largest FindLargestTable(DBEngine& engine) {
    Largest largest;
    for (const auto& entry : fs::recursive_directory_iterator(jettest::CorpusDir())) {
        const auto ext = entry.path().extension();
        if (ext != ".mdb" && ext != ".accdb")
            continue;
        try {
            const auto database = jettest::Open(engine, entry.path());
            const auto tableDefs = database->GetTableDefs();
            for (int16_t i = 0; i < tableDefs->Count(); ++i) {
                const std::u16string name(tableDefs->Item(i)->Name());
                if (name.rfind(u"MSys", 0) == 0)
                    continue;
                const int32_t rows = database->OpenRecordset(name)->RecordCount();
                if (rows > largest.Rows)
                    largest = {entry.path(), name, rows};
            }
        } catch (const EngineError&) {
            // password-protected and encrypted samples
        }
    }
    return largest;
}

long ReadAllCells(Recordset& records) {
    long cells = 0;
    for (records.MoveFirst(); !records.Eof(); records.MoveNext()) {
        const Fields& fields = records.GetFields();
        for (int16_t f = 0; f < fields.Count(); ++f) {
            const Variant& v = fields.Item(f).Value();
            cells += v.Type != VarType::Empty;
        }
    }
    return cells;
}

TEST(JetAllocation, WarmRecordsetReadsWithoutAllocating) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const Largest largest = FindLargestTable(*engine);
    ASSERT_GT(largest.Rows, 0);
    const auto database = jettest::Open(*engine, largest.File);
    auto records = database->OpenRecordset(largest.Table);

    const long firstCells = ReadAllCells(*records); // buffers grow to the largest values
    const long before = gAllocations.load();
    const long cells = ReadAllCells(*records);
    const long allocations = gAllocations.load() - before;
    EXPECT_EQ(cells, firstCells);
    if (VARNEX_COUNT_ALLOCATIONS) {
        EXPECT_EQ(allocations, 0) << "allocations while reading " << cells << " cells";
    }
}

// Calculated results and a linked table's rows cost nothing per cell either.
TEST(JetAllocation, CalculatedAndLinkedTablesReadWithoutAllocating) {
    using building::Col;
    auto calc = [](const std::string& name, JetType descriptor, JetType result, int size = 0) {
        ColumnSpec c = Col(name, descriptor, size);
        c.calculatedResult = result;
        return c;
    };
    TableSpec table;
    table.name = "Calc";
    table.columns = {Col("ID", JetType::Long),
                     calc("Label", JetType::Text, JetType::Text, 100),
                     calc("Notes", JetType::Memo, JetType::Memo),
                     calc("Total", JetType::Long, JetType::Long),
                     calc("Price", JetType::Double, JetType::Currency),
                     calc("Done", JetType::Boolean, JetType::Boolean)};
    for (int k = 0; k < 300; ++k)
        table.rows.push_back({building::I(k), building::T("label " + std::to_string(k)),
                              building::T(std::string(static_cast<std::size_t>(k * 7), 'n')), building::I(k * 3),
                              building::T("1.5"), CellValue::fromBool(k % 2 == 0)});
    oracle::Scratch scratch;
    MdbDescription calculated;
    calculated.format = FileFormat::Ace14;
    calculated.tables = {table};
    WriteMdb(calculated, scratch.file("calc.accdb"));
    MdbDescription linking;
    TableSpec local;
    local.name = "Local";
    local.columns = {Col("ID", JetType::Long)};
    linking.tables = {local};
    linking.links = {LinkDescription{"Linked", "calc.accdb", "Calc", "", false}};
    WriteMdb(linking, scratch.file("linking.accdb"));

    const auto engine = CreateJetEngine(true);
    for (const char* file : {"calc.accdb", "linking.accdb"}) {
        const auto database = jettest::Open(*engine, scratch.file(file));
        auto records = database->OpenRecordset(std::string_view(file) == "calc.accdb" ? u"Calc" : u"Linked");
        const long firstCells = ReadAllCells(*records);
        const long before = gAllocations.load();
        const long cells = ReadAllCells(*records);
        const long allocations = gAllocations.load() - before;
        EXPECT_EQ(cells, firstCells);
        EXPECT_EQ(cells, 300 * 6);
        if (VARNEX_COUNT_ALLOCATIONS) {
            EXPECT_EQ(allocations, 0) << file << ": allocations while reading " << cells << " cells";
        }
    }
}

// Every value of every table, decoded through a page cache of the given size.
std::vector<std::u16string> DecodeAll(const fs::path& path, std::size_t cachePages) {
    jet::PageFile file(path.string(), cachePages);
    jet::LongValueReader longValues(file);
    std::vector<uint8_t> scratch;
    jet::DecodeContext context{file.IsJet3(), file.GetHeader().CodePage, &longValues, &scratch};
    std::vector<std::u16string> out;
    for (const jet::CatalogTable& entry : jet::ReadCatalog(file)) {
        const jet::TableDefinition table = jet::ReadTableDefinition(file, entry.DefinitionPage);
        jet::RecordLayout layout(file.IsJet3(), table);
        jet::TableScan scan(file, table);
        jet::ByteSpan record;
        jet::FieldValue value;
        while (scan.Next(record)) {
            layout.Load(record);
            std::u16string line;
            for (const jet::Column& column : table.Columns) {
                if (column.Type == jet::ColumnType::Complex)
                    continue;
                jet::DecodeValue(column, layout.Locate(column), context, value);
                line += value.Value.Text;
                line += static_cast<char16_t>(value.Value.Bytes.size() + static_cast<std::size_t>(value.Value.I8));
                line += u'|';
            }
            out.push_back(std::move(line));
        }
    }
    return out;
}

TEST(JetAllocation, TinyPageCacheReadsTheSameValues) {
    SKIP_WITHOUT_CORPUS();
    for (const char* sample : {"V1997/test.mdb", "V2016/longtext.accdb", "real/ASampleDatabase.accdb"}) {
        SCOPED_TRACE(sample);
        const auto roomy = DecodeAll(jettest::CorpusDir() / sample, 4096);
        EXPECT_FALSE(roomy.empty());
        EXPECT_EQ(DecodeAll(jettest::CorpusDir() / sample, 4), roomy);
    }
}

} // namespace

namespace {

// Memo values of every length from inline to a chain over several pages, on
// pages that follow one another, as a database filled row by row holds them;
// every fifth row's value is a single character that stays inside its row.
std::string MemoOfRow(int row) {
    const std::size_t length = row % 5 == 0 ? 1 : static_cast<std::size_t>(row) * 97 % 9000 + 65;
    std::string text(length, ' ');
    for (std::size_t k = 0; k < length; ++k)
        text[k] = static_cast<char>('a' + (k + static_cast<std::size_t>(row)) % 26);
    return text;
}

} // namespace

// Long values read onward bring the next pages along; whatever the cache
// keeps of them, and wherever a run ends (the file's last page included),
// every value reads back as written.
TEST(JetAllocation, LongValuesReadAheadReadTheSameValuesWhateverTheCache) {
    using building::Col;
    TableSpec table;
    table.name = "Notes";
    table.columns = {Col("ID", JetType::Long), Col("Body", JetType::Memo), Col("Tail", JetType::Memo)};
    constexpr int kRows = 400;
    for (int k = 0; k < kRows; ++k)
        table.rows.push_back({building::I(k), building::T(MemoOfRow(k)), building::T(MemoOfRow(kRows - k))});
    oracle::Scratch scratch;
    MdbDescription description;
    description.tables = {table};
    WriteMdb(description, scratch.file("notes.mdb"));

    // A row's line starts with its ID (as one unit), a bar, then its Body.
    const auto roomy = DecodeAll(scratch.file("notes.mdb"), 4096);
    int found = 0;
    for (const std::u16string& line : roomy) {
        if (line.size() < 2 || line[1] != u'|' || line[0] >= kRows)
            continue;
        const std::string body = MemoOfRow(line[0]);
        found += line.compare(2, body.size(), std::u16string(body.begin(), body.end())) == 0 ? 1 : 0;
    }
    EXPECT_EQ(found, kRows);
    for (const std::size_t cachePages : {std::size_t{4}, std::size_t{9}, std::size_t{17}})
        EXPECT_EQ(DecodeAll(scratch.file("notes.mdb"), cachePages), roomy) << cachePages << " pages cached";
}
