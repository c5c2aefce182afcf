// Damaged copies of sample databases, made in a temporary folder: every
// one is refused with an EngineError, none crashes, loops or runs away with
// memory. Run under the sanitizers this is where reads past a buffer show.

#include "CorpusFiles.h"

#include "jet/Catalog.h"
#include "jet/JetEngine.h"
#include "jet/TableDefinition.h"
#include "jet/UsageMap.h"

#include "tools/mkdb/DiskLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;
// Where to damage a file, taken from the fixture writer's statement of the
// layout rather than the reader's: a damage placed by the reader's own
// records could miss what the reader misplaces.
namespace disk = mkdb::disk;

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}
uint16_t Get16(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
    return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}
bool IsLongValuePage(const std::vector<uint8_t>& b, std::size_t base) {
    const std::size_t marker = base + disk::kLongValue.pageMarker;
    return std::string(b.begin() + marker, b.begin() + marker + 4) == "LVAL";
}

// Opens, lists and reads every value of every table, as a conversion of
// all tables would.
void ReadEverything(const fs::path& path) {
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    const auto tableDefs = database->GetTableDefs();
    for (int16_t i = 0; i < tableDefs->Count(); ++i) {
        const auto tableDef = tableDefs->Item(i);
        tableDef->GetFields();
        auto records = database->OpenRecordset(tableDef->Name());
        for (; !records->Eof(); records->MoveNext()) {
            const Fields& fields = records->GetFields();
            for (int16_t f = 0; f < fields.Count(); ++f)
                fields.Item(f).Value();
        }
    }
}

// Rows of the table the reader passed over as unreadable, and those it read;
// -1 when reading raised instead.
std::pair<int64_t, int> UnreadableAndRead(const fs::path& path, std::u16string_view table) {
    try {
        const auto engine = CreateJetEngine(true);
        const auto database = jettest::Open(*engine, path);
        auto records = database->OpenRecordset(table);
        int read = 0;
        for (records->MoveFirst(); !records->Eof(); records->MoveNext())
            ++read;
        return {records->RowsUnreadable(), read};
    } catch (const EngineError&) {
        return {-1, 0};
    }
}

bool RefusedWithEngineError(const fs::path& path) {
    try {
        ReadEverything(path);
    } catch (const EngineError&) {
        return true;
    }
    return false;
}

class JetDamaged : public ::testing::Test {
protected:
    void SetUp() override {
        if (!jettest::HaveCorpus())
            GTEST_SKIP() << "no sample databases";
        dir_ = fs::temp_directory_path() /
               ("varnex-jet-damaged-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    fs::path Damaged(const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / ("copy" + std::to_string(count_++) + ".mdb");
        WriteFile(path, bytes);
        return path;
    }

    // The TDEF page and the first data page of a sample's table.
    static std::pair<uint32_t, uint32_t> TablePages(const fs::path& path, std::u16string_view name) {
        jet::PageFile file(path.string());
        for (const jet::CatalogTable& table : jet::ReadCatalog(file))
            if (table.Name == name) {
                const auto definition = jet::ReadTableDefinition(file, table.DefinitionPage);
                const auto pages = jet::ReadUsageMap(file, definition.OwnedPages);
                return {table.DefinitionPage, pages.empty() ? 0 : pages.front()};
            }
        ADD_FAILURE() << "no such table";
        return {0, 0};
    }

    fs::path dir_;
    int count_ = 0;
};

TEST_F(JetDamaged, TruncatedFilesAreRefused) {
    for (const char* sample : {"V1997/test.mdb", "V2003/test.mdb", "V2016/attachments.accdb"}) {
        SCOPED_TRACE(sample);
        const auto original = ReadFile(jettest::CorpusDir() / sample);
        ASSERT_NO_THROW(ReadEverything(jettest::CorpusDir() / sample));
        for (std::size_t length : {std::size_t{0}, std::size_t{20}, std::size_t{1000}, std::size_t{4096 + 100},
                                   std::size_t{3 * 4096}, original.size() / 2}) {
            const std::vector<uint8_t> cut(original.begin(), original.begin() + static_cast<long>(length));
            EXPECT_TRUE(RefusedWithEngineError(Damaged(cut))) << "length " << length;
        }
    }
}

TEST_F(JetDamaged, PagesPointingPastTheEndAreRefused) {
    const fs::path sample = jettest::CorpusDir() / "V2003/test.mdb";
    const auto [tdef, dataPage] = TablePages(sample, u"Table1");
    const auto original = ReadFile(sample);
    const std::size_t pageSize = 4096;

    auto ownedMap = original; // the owned-pages map on a page the file lacks
    Put32(ownedMap, tdef * pageSize + disk::kJet4Tdef.header.ownedPages, 0x7FFFFF00u);
    EXPECT_TRUE(RefusedWithEngineError(Damaged(ownedMap)));

    auto continuation = original; // the definition continues past the end
    Put32(continuation, tdef * pageSize + disk::kTdefPage.nextPage, 0x00FFFFF0u);
    EXPECT_TRUE(RefusedWithEngineError(Damaged(continuation)));

    auto loop = original; // the definition continues on itself
    Put32(loop, tdef * pageSize + disk::kTdefPage.nextPage, tdef);
    EXPECT_TRUE(RefusedWithEngineError(Damaged(loop)));

    auto catalog = original; // the catalog's definition is not one
    catalog[2 * pageSize + disk::kTdefPage.type] = 0x01;
    EXPECT_TRUE(RefusedWithEngineError(Damaged(catalog)));
    ASSERT_NE(dataPage, 0u);
}

// A row whose offsets leave its page, or a page listing more rows than it
// can, is passed over and counted: the table's other rows are still read.
TEST_F(JetDamaged, RowOffsetsBeyondTheirPageAreCountedUnreadable) {
    for (const char* sample : {"V1997/test.mdb", "V2003/test.mdb"}) {
        SCOPED_TRACE(sample);
        const fs::path path = jettest::CorpusDir() / sample;
        const auto [tdef, dataPage] = TablePages(path, u"Table1");
        ASSERT_NE(dataPage, 0u);
        const bool jet3 = std::string(sample).find("1997") != std::string::npos;
        const std::size_t pageSize = jet3 ? 2048 : 4096;
        const disk::DataPageHeader& page = jet3 ? disk::kJet3DataPage : disk::kJet4DataPage;
        const std::size_t table = dataPage * pageSize + page.rowTable;
        const auto whole = UnreadableAndRead(path, u"Table1");
        ASSERT_EQ(whole.first, 0);
        ASSERT_GE(whole.second, 2);
        auto bytes = ReadFile(path);
        Put16(bytes, table, 0x1FF0); // row 0 starts past the page's end
        auto damaged = UnreadableAndRead(Damaged(bytes), u"Table1");
        EXPECT_GE(damaged.first, 1);
        EXPECT_LT(damaged.second, whole.second);
        bytes = ReadFile(path);
        Put16(bytes, dataPage * pageSize + page.rowCount, 0x7FFF); // more rows than the page can list
        damaged = UnreadableAndRead(Damaged(bytes), u"Table1");
        EXPECT_EQ(damaged.first, 1);
        bytes = ReadFile(path);
        Put16(bytes, table + 2, 0x0004); // row 1 starts inside the header
        damaged = UnreadableAndRead(Damaged(bytes), u"Table1");
        EXPECT_GE(damaged.first, 1);
        EXPECT_LT(damaged.second, whole.second);
    }
}

// An inline usage map too short for its first-page field is refused
// before any bitmap is cut out of it.
TEST_F(JetDamaged, UsageMapRowShorterThanItsHeaderIsRefused) {
    const fs::path path = jettest::CorpusDir() / "V2003/test.mdb";
    const auto [tdef, dataPage] = TablePages(path, u"Table1");
    ASSERT_NE(dataPage, 0u);
    jet::RowPointer map;
    {
        jet::PageFile file(path.string());
        map = jet::ReadTableDefinition(file, tdef).OwnedPages;
    }
    const std::size_t pageSize = 4096;
    const disk::DataPageHeader& data = disk::kJet4DataPage;
    auto bytes = ReadFile(path);
    const std::size_t base = map.Page * pageSize;
    const std::size_t end =
        map.Row == 0 ? pageSize : Get16(bytes, base + data.rowTable + 2 * (map.Row - 1)) & disk::kRowStartMask;
    for (const std::size_t length : {std::size_t{1}, std::size_t{3}}) {
        SCOPED_TRACE(length);
        auto damaged = bytes;
        Put16(damaged, base + data.rowTable + 2 * map.Row, static_cast<uint16_t>(end - length));
        damaged[base + end - length + disk::kUsageMap.type] = 0; // an inline map
        jet::PageFile file(Damaged(damaged).string());
        EXPECT_THROW(jet::ReadUsageMap(file, map), EngineError);
    }
}

TEST_F(JetDamaged, LongValueChainThatLoopsIsRefused) {
    // The memo of longtext.accdb is stored outside its row; make its first
    // piece a chain whose next pointer is the piece itself.
    const fs::path path = jettest::CorpusDir() / "V2016/longtext.accdb";
    auto bytes = ReadFile(path);
    const std::size_t pageSize = 4096;
    const disk::DataPageHeader& data = disk::kJet4DataPage;
    const disk::LongValue& value = disk::kLongValue;
    bool patched = false;
    for (std::size_t page = 1; page < bytes.size() / pageSize && !patched; ++page) {
        const std::size_t base = page * pageSize;
        if (bytes[base + data.type] != 0x01 || IsLongValuePage(bytes, base))
            continue;
        // A long-value header in a data row: not inline, pointing at an LVAL page.
        for (std::size_t at = base + 16; at + value.headerSize <= base + pageSize && !patched; ++at) {
            const uint32_t word = Get32(bytes, at + value.lengthWord);
            const uint32_t length = word & disk::kLongValueLengthMask;
            if ((word & disk::kLongValueInline) || length < 1000 || length > 100000)
                continue;
            const uint32_t pointer = Get32(bytes, at + value.firstRow);
            const uint32_t target = pointer >> 8;
            const uint8_t row = static_cast<uint8_t>(pointer);
            if (target == 0 || target >= bytes.size() / pageSize)
                continue;
            const std::size_t lval = target * pageSize;
            if (!IsLongValuePage(bytes, lval))
                continue;
            Put32(bytes, at + value.lengthWord, length); // a chain, not a single row
            const std::size_t start = Get16(bytes, lval + data.rowTable + 2 * row) & disk::kRowStartMask;
            Put32(bytes, lval + start + value.nextPiece, (target << 8) | row);
            patched = true;
        }
    }
    ASSERT_TRUE(patched) << "no long value found to damage";
    EXPECT_TRUE(RefusedWithEngineError(Damaged(bytes)));
}

TEST_F(JetDamaged, RandomlyCorruptedCopiesNeverCrash) {
    // Not every change is detectable (a changed letter is still text); the
    // point is that reading ends normally or with an EngineError.
    std::mt19937 random(12345);
    for (const char* sample : {"V1997/test.mdb", "V2003/numeric.mdb", "V2016/attachments.accdb", "V2016/longtext.accdb",
                               "real/ASampleDatabase.accdb"}) {
        SCOPED_TRACE(sample);
        const auto original = ReadFile(jettest::CorpusDir() / sample);
        for (int round = 0; round < 40; ++round) {
            auto bytes = original;
            const int changes = 1 + static_cast<int>(random() % 64);
            for (int k = 0; k < changes; ++k)
                bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            const fs::path path = Damaged(bytes);
            try {
                ReadEverything(path);
            } catch (const EngineError&) {
            }
            fs::remove(path);
        }
    }
}

} // namespace
