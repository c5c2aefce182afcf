// The engine's contract as the conversion relies on it: opening with and
// without passwords, the two builds, the table collection and the objects'
// failure modes.

#include "CorpusFiles.h"

#include "jet/Catalog.h"
#include "jet/Collation.h"
#include "jet/DataPage.h"
#include "jet/JetEngine.h"
#include "jet/RecordLayout.h"
#include "jet/UsageMap.h"
#include "jet/Values.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using jettest::CorpusDir;
using jettest::Open;
using jettest::Utf8;

int32_t DaoCode(int number) { return HResult::DaoError(number); }

template <typename Call>
int32_t ErrorCodeOf(Call call) {
    try {
        call();
    } catch (const EngineError& error) {
        return error.Code;
    }
    return 0;
}

TEST(JetOpen, JetPasswordMustMatchExactly) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    for (const char* file : {"password/V2000_with-password.mdb", "password/V2003_with-password.mdb"}) {
        SCOPED_TRACE(file);
        const auto path = CorpusDir() / file;
        EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, path); }), DaoCode(3031));
        EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, path, "wrong"); }), DaoCode(3031));
        EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, path, "PASSWORD"); }), DaoCode(3031));
        EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, path, "password;"); }), DaoCode(3031));
        EXPECT_NO_THROW(Open(*engine, path, "password"));
        // The keyword is matched without regard to case, as in a connect text.
        EXPECT_NO_THROW(engine->OpenDatabase(platform::AnsiToWide(path.string()), 1, true, u";PWD=password"));
    }
    // A database without a password ignores one given.
    EXPECT_NO_THROW(Open(*engine, CorpusDir() / "password/V2000_no-password.mdb", "anything"));
}

TEST(JetOpen, JetOnlyBuildRefusesAceFilesButReadsJet) {
    SKIP_WITHOUT_CORPUS();
    const auto jetOnly = CreateJetEngine(false);
    EXPECT_EQ(ErrorCodeOf([&] { Open(*jetOnly, CorpusDir() / "V2007/test.accdb"); }), DaoCode(3343));
    EXPECT_EQ(ErrorCodeOf([&] { Open(*jetOnly, CorpusDir() / "V2016/bigint.accdb"); }), DaoCode(3343));
    EXPECT_NO_THROW(Open(*jetOnly, CorpusDir() / "V1997/test.mdb"));
    EXPECT_NO_THROW(Open(*jetOnly, CorpusDir() / "V2003/test.mdb"));
}

TEST(JetOpen, MissingFileAndNonDatabaseAreEngineErrors) {
    const auto engine = CreateJetEngine(true);
    const auto dir = std::filesystem::temp_directory_path() / "varnex-jet-open";
    std::filesystem::create_directories(dir);
    EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, dir / "absent.mdb"); }), DaoCode(3024));
    {
        std::ofstream text(dir / "text.mdb");
        text << "just some text, certainly not a database header, but long enough to look at";
    }
    EXPECT_EQ(ErrorCodeOf([&] { Open(*engine, dir / "text.mdb"); }), DaoCode(3343));
    { std::ofstream empty(dir / "empty.mdb"); }
    EXPECT_NE(ErrorCodeOf([&] { Open(*engine, dir / "empty.mdb"); }), 0);
    std::filesystem::remove_all(dir);
}

// The conversion hands over paths as ANSI text made UTF-16; the reader must
// give the file system the original bytes back, whatever the ANSI page.
TEST(JetOpen, NonAsciiPathsReachTheFileSystemUnchanged) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    // ctest runs this test twice at once, under two locales: one folder each.
    const char* locale = std::getenv("LC_ALL");
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("varnex-jet-ansi-" + std::string(locale ? locale : "default")))
            .string();
    std::filesystem::create_directories(dir);
    std::string database;
    {
        std::ifstream source(CorpusDir() / "V2003/test.mdb", std::ios::binary);
        database.assign(std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>());
    }
    ASSERT_FALSE(database.empty());
    int opened = 0;
    // Latin-1 "caf\u00E9" in a single-byte page, its UTF-8 form in any page.
    for (const std::string name : {"caf\xE9.mdb", "caf\xC3\xA9.mdb"}) {
        const std::string path = dir + platform::PathSeparator + name;
        if (platform::WideToAnsi(platform::AnsiToWide(path)) != path)
            continue; // not text in this page
        SCOPED_TRACE(name);
        {
            std::ofstream copy(path, std::ios::binary);
            copy << database;
        }
        EXPECT_NO_THROW(engine->OpenDatabase(platform::AnsiToWide(path), 1, true, std::nullopt));
        EXPECT_TRUE(platform::RemoveFile(path));
        ++opened;
    }
    EXPECT_GT(opened, 0);
    std::filesystem::remove_all(dir);
}

TEST(JetTableDefs, SystemTablesCountedAndNamesInCollationOrder) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    for (const char* file : {"V1997/test.mdb", "V2003/test.mdb", "V2016/withdeletedcol.accdb"}) {
        SCOPED_TRACE(file);
        const auto database = Open(*engine, CorpusDir() / file);
        const auto tableDefs = database->GetTableDefs();
        std::vector<std::u16string> names;
        for (int16_t i = 0; i < tableDefs->Count(); ++i)
            names.emplace_back(tableDefs->Item(i)->Name());
        EXPECT_NE(std::find(names.begin(), names.end(), u"MSysObjects"), names.end());
        // Without regard to case, "~" before letters: the database's collation.
        for (std::size_t k = 1; k < names.size(); ++k)
            EXPECT_LT(jet::CollateNames(names[k - 1], names[k], 0x0409), 0)
                << Utf8(names[k - 1]) << " before " << Utf8(names[k]);
        // Lookup by name ignores case, like the collection's.
        EXPECT_EQ(tableDefs->Item(u"msysobjects")->Name(), u"MSysObjects");
        EXPECT_EQ(ErrorCodeOf([&] { tableDefs->Item(u"NoSuchTable"); }), DaoCode(3265));
        EXPECT_EQ(ErrorCodeOf([&] { tableDefs->Item(tableDefs->Count()); }), DaoCode(3265));
    }
}

TEST(JetTableDefs, FlatTablesOfComplexColumnsAreHidden) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const auto database = Open(*engine, CorpusDir() / "V2016/attachments.accdb");
    const auto tableDefs = database->GetTableDefs();
    for (int16_t i = 0; i < tableDefs->Count(); ++i)
        EXPECT_NE(tableDefs->Item(i)->Name().substr(0, 2), u"f_");
}

TEST(JetFields, FieldOrderFollowsDisplayPositionAndTypesAreDaoCodes) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const auto database = Open(*engine, CorpusDir() / "V2016/withinsertedcol.accdb");
    const Fields& fields = database->GetTableDefs()->Item(u"Table1")->GetFields();
    // col2 was inserted between col1 and col3 after both existed.
    ASSERT_EQ(fields.Count(), 3);
    EXPECT_EQ(fields.Item(0).Name(), u"col1");
    EXPECT_EQ(fields.Item(1).Name(), u"col3");
    EXPECT_EQ(fields.Item(2).Name(), u"col2");
    // A definition's field has no value.
    EXPECT_THROW(fields.Item(0).Value(), EngineError);
    EXPECT_THROW(fields.Item(3), EngineError);

    const auto numeric = Open(*engine, CorpusDir() / "V2003/numeric.mdb");
    const Fields& decimals = numeric->GetTableDefs()->Item(u"test")->GetFields();
    EXPECT_EQ(decimals.Item(0).Type(), DaoType::Memo);
    EXPECT_EQ(decimals.Item(1).Type(), DaoType::Decimal);
    const auto bigint = Open(*engine, CorpusDir() / "V2016/bigint.accdb");
    EXPECT_EQ(bigint->GetTableDefs()->Item(u"Table")->GetFields().Item(1).Type(), DaoType::BigInt);
    const auto attachments = Open(*engine, CorpusDir() / "V2016/attachments.accdb");
    EXPECT_EQ(attachments->GetTableDefs()->Item(u"Table1")->GetFields().Item(2).Type(), DaoType::Attachment);
}

TEST(JetRecordset, MovesLikeATableRecordset) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const auto database = Open(*engine, CorpusDir() / "creation-date/V2000.mdb");
    auto records = database->OpenRecordset(u"table1");
    EXPECT_EQ(records->RecordCount(), 3);
    std::vector<int32_t> ids;
    for (; !records->Eof(); records->MoveNext())
        ids.push_back(records->GetFields().Item(0).Value().I4);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_THROW(records->MoveNext(), EngineError);
    EXPECT_THROW(records->GetFields().Item(0).Value(), EngineError);
    records->MoveFirst();
    ASSERT_FALSE(records->Eof());
    EXPECT_EQ(records->GetFields().Item(0).Value().I4, 1);
    EXPECT_EQ(Utf8(records->GetFields().Item(1).Value().Text), "One");

    // Empty tables are at their end at once.
    const auto test = Open(*engine, CorpusDir() / "V2003/test.mdb");
    auto empty = test->OpenRecordset(u"Table3");
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_TRUE(empty->Eof());
    empty->MoveFirst();
    EXPECT_TRUE(empty->Eof());

    EXPECT_EQ(ErrorCodeOf([&] { database->OpenRecordset(u"Missing"); }), DaoCode(3078));
    records->Close();
    EXPECT_THROW(records->MoveFirst(), EngineError);
}

TEST(JetRecordset, StaleZeroRowCountIsReplacedByTheRecordsFound) {
    SKIP_WITHOUT_CORPUS();
    // The definition of creation-date/V2000.mdb's Table1 is on the page its
    // catalog Id names; its stored count (3) becomes 0 in a copy.
    const auto sample = CorpusDir() / "creation-date/V2000.mdb";
    jet::PageFile file(sample.string());
    uint32_t page = 0;
    for (const jet::CatalogTable& table : jet::ReadCatalog(file))
        if (table.Name == u"Table1")
            page = table.DefinitionPage;
    ASSERT_NE(page, 0u);
    std::ifstream in(sample, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    std::fill_n(bytes.begin() + page * 4096 + 0x10, 4, 0);
    const auto copy = std::filesystem::temp_directory_path() / "varnex-jet-stale-count.mdb";
    std::ofstream(copy, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    {
        // Closed before the copy goes: Windows will not delete an open file.
        const auto engine = CreateJetEngine(true);
        auto records = Open(*engine, copy)->OpenRecordset(u"Table1");
        EXPECT_EQ(records->RecordCount(), 3);
    }
    std::filesystem::remove(copy);
}

TEST(JetRecordset, OutlivesItsDatabaseObjectButNotAClosedOne) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    auto database = Open(*engine, CorpusDir() / "V1997/test.mdb");
    auto records = database->OpenRecordset(u"Table1");
    auto tableDefs = database->GetTableDefs();
    database->Close();
    EXPECT_THROW(database->GetTableDefs(), EngineError);
    EXPECT_THROW(database->OpenRecordset(u"Table1"), EngineError);
    database.reset();
    // Objects taken before the close keep working, as DAO's references do.
    int rows = 0;
    for (; !records->Eof(); records->MoveNext())
        ++rows;
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(tableDefs->Item(u"Table1")->GetFields().Count(), 9);
}

// A copy of a sample in which the catalog row of one table says the table
// is linked to another database (type 6).
std::filesystem::path WithLinkedTable(const std::filesystem::path& sample, std::u16string_view table,
                                      const std::filesystem::path& copy) {
    std::ifstream in(sample, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    jet::PageFile file(sample.string());
    const jet::TableDefinition catalog = jet::ReadTableDefinition(file, 2);
    auto column = [&](std::u16string_view name) {
        return *std::find_if(catalog.Columns.begin(), catalog.Columns.end(),
                             [&](const jet::Column& c) { return c.Name == name; });
    };
    const jet::Column name = column(u"Name"), type = column(u"Type");
    jet::RecordLayout layout(file.IsJet3(), catalog);
    jet::DecodeContext context{file.IsJet3(), file.GetHeader().CodePage, nullptr, nullptr};
    jet::FieldValue value;
    bool patched = false;
    for (uint32_t page : jet::ReadUsageMap(file, catalog.OwnedPages)) {
        const jet::ByteSpan data(bytes.data() + static_cast<std::size_t>(page) * file.PageSize(), file.PageSize());
        for (unsigned row = 0; row < jet::RowCountOf(file, data); ++row) {
            const jet::RowSlot slot = jet::SlotOf(file, data, row);
            if (slot.Deleted || slot.Overflow)
                continue;
            layout.Load(data.subspan(slot.Start, slot.End - slot.Start));
            jet::DecodeValue(name, layout.Locate(name), context, value);
            if (value.Value.Type != VarType::Text || value.Value.Text != table)
                continue;
            const jet::ColumnBytes located = layout.Locate(type);
            bytes[static_cast<std::size_t>(located.Bytes.data() - bytes.data())] = 6;
            patched = true;
        }
    }
    EXPECT_TRUE(patched);
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return copy;
}

TEST(JetTableDefs, LinkedTablesWithoutASourceAreListedButFailAlone) {
    SKIP_WITHOUT_CORPUS();
    const auto dir = std::filesystem::temp_directory_path() / "varnex-jet-linked";
    std::filesystem::create_directories(dir);
    for (const char* sample : {"V1997/test.mdb", "V2003/test.mdb"}) {
        SCOPED_TRACE(sample);
        const auto path = WithLinkedTable(CorpusDir() / sample, u"Table3", dir / "linked.mdb");
        const auto engine = CreateJetEngine(true);
        const auto database = Open(*engine, path);
        const auto tableDefs = database->GetTableDefs();
        EXPECT_EQ(tableDefs->Item(u"Table3")->Name(), u"Table3");
        EXPECT_THROW(tableDefs->Item(u"Table3")->GetFields(), EngineError);
        EXPECT_THROW(database->OpenRecordset(u"Table3"), EngineError);
        EXPECT_NO_THROW(database->OpenRecordset(u"Table1")); // the others stay readable
    }
    std::filesystem::remove_all(dir);
}

} // namespace
