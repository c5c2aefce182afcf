// The SQL forms: each dialect's literals (quotes, backslashes, NULL apart
// from the empty text, binary, Booleans, dates, exact numbers), and a
// table's statements: its CREATE TABLE first unless only the data is asked
// for, rows grouped into INSERTs inside one transaction that is committed
// only when every row was written.
#include "engine/Conversion.h"
#include "engine/Export.h"
#include "engine/SqlLiterals.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

using namespace enginetest;

namespace {

constexpr double kMondayMorning = 45299 + 33180 / 86400.0; // 2024-01-08 09:13:00

ColumnSchema LongColumn(std::u16string name) {
    ColumnSchema column;
    column.Name = std::move(name);
    column.Type = DaoType::Long;
    return column;
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

class SqlFormTest : public EngineTest {
protected:
    // Each value of the one-row table "V" as a literal of the dialect.
    std::vector<std::string> Literals(SqlDialect dialect, TypedTextCounts& counts) {
        auto database = memdb::Engine().OpenDatabase(memdb::Widen("/db/v.mdb"), 1, true, std::nullopt);
        auto records = database->OpenRecordset(u"V");
        const Fields& values = records->GetFields();
        std::vector<std::string> out;
        for (int32_t i = 0; i < values.Count(); ++i) {
            out.emplace_back();
            AppendSqlLiteral(dialect, values.Item(i), {}, out.back(), counts);
        }
        return out;
    }
};

TEST_F(SqlFormTest, EachDialectsLiteralsReadBackAsTheStoredValue) {
    auto file = memdb::Register("/db/v.mdb");
    const char16_t nul[] = {u'a', 0, u'b'};
    file->AddTable("V", {{"Quote", DaoType::Text},
                         {"Slash", DaoType::Text},
                         {"Empty", DaoType::Text},
                         {"None", DaoType::Text},
                         {"Yes", DaoType::Boolean},
                         {"Blob", DaoType::LongBinary},
                         {"When", DaoType::Date},
                         {"Price", DaoType::Currency},
                         {"Ratio", DaoType::Double},
                         {"Nan", DaoType::Double},
                         {"Nul", DaoType::Memo},
                         {"Big", DaoType::BigInt},
                         {"Lines", DaoType::Memo}})
        .Row({memdb::Text("it's"), memdb::Text("C:\\dir"), memdb::Text(""), memdb::Null(), memdb::Boolean(true),
              memdb::Binary({0x00, 0xAB, 0x27}), memdb::Date(kMondayMorning), memdb::Currency(125000),
              memdb::Double(0.1), memdb::Double(std::nan("")), memdb::WideText(std::u16string(nul, 3)),
              memdb::BigInt(-9007199254740993), memdb::Text("one\r\ntwo")});

    TypedTextCounts counts;
    const auto sqlite = Literals(SqlDialect::Sqlite, counts);
    EXPECT_EQ(sqlite, (std::vector<std::string>{"'it''s'", "'C:\\dir'", "''", "NULL", "1", "X'00AB27'",
                                                "'2024-01-08 09:13:00'", "12.5", "0.1", "NULL",
                                                std::string("'a\0b'", 5), "-9007199254740993", "'one\r\ntwo'"}));
    EXPECT_EQ(counts.NotFinite, 1);

    // PostgreSQL's strings take a backslash as it is; its bytes come
    // through decode(), which no server setting reads otherwise.
    const auto postgres = Literals(SqlDialect::Postgres, counts);
    EXPECT_EQ(postgres[1], "'C:\\dir'");
    EXPECT_EQ(postgres[4], "TRUE");
    EXPECT_EQ(postgres[5], "decode('00AB27', 'hex')");

    // MySQL reads a backslash as an escape: the path must keep its one.
    const auto mysql = Literals(SqlDialect::MySql, counts);
    EXPECT_EQ(mysql[0], "'it''s'");
    EXPECT_EQ(mysql[1], "'C:\\\\dir'");
    EXPECT_EQ(mysql[4], "TRUE");
    EXPECT_EQ(mysql[5], "X'00AB27'");
    EXPECT_EQ(mysql[10], "'a\\0b'");
    // Its client drops a CR before a line's end: line breaks are escapes.
    EXPECT_EQ(mysql[12], "'one\\r\\ntwo'");
    EXPECT_EQ(counts.NotFinite, 3);
}

TEST_F(SqlFormTest, ATableIsMadeThenFilledInOneTransactionOfGroupedInserts) {
    auto file = memdb::Register("/db/t.mdb");
    memdb::Table& table = file->AddTable("Order Lines", {{"Id", DaoType::Long}, {"Note", DaoType::Text}});
    for (int r = 1; r <= 450; ++r) {
        table.Row({memdb::Long(r), r % 2 ? memdb::Text("odd") : memdb::Null()});
        table.RowBlocks.push_back((r - 1) / 50);
    }
    table.Blocks = 9;
    file->AddTable("Nothing", {{"Id", DaoType::Long}});
    Open("/db/t.mdb");
    settings.Format = TableFormat::SqlPostgres;
    settings.ExportThreads = 4; // the statements span records: one writer sees them all

    ExportTable(nullptr, settings, "Order Lines");
    const std::string sql = ReadAll(folder / "Order Lines.sql");
    const std::size_t create = sql.find("CREATE TABLE \"Order Lines\" (\n  \"Id\" INTEGER,\n  \"Note\" ");
    const std::size_t begin = sql.find("BEGIN;\n");
    ASSERT_NE(create, std::string::npos) << sql;
    ASSERT_NE(begin, std::string::npos);
    EXPECT_LT(create, begin);
    EXPECT_EQ(Count(sql, "INSERT INTO \"Order Lines\" (\"Id\", \"Note\") VALUES\n"), 3u);
    EXPECT_EQ(Count(sql, "),\n("), 447u);
    // Every row once, in the table's order.
    std::size_t last = 0;
    for (int r = 1; r <= 450; ++r) {
        const std::size_t at = sql.find("(" + std::to_string(r) + (r % 2 ? ", 'odd')" : ", NULL)"));
        ASSERT_NE(at, std::string::npos) << r;
        EXPECT_GT(at, last) << r;
        last = at;
    }
    EXPECT_TRUE(sql.ends_with(");\nCOMMIT;\n")) << sql.substr(sql.size() - 40);

    // No rows: the table alone, and no empty transaction.
    ExportTable(nullptr, settings, "Nothing");
    const std::string empty = ReadAll(folder / "Nothing.sql");
    EXPECT_NE(empty.find("CREATE TABLE \"Nothing\""), std::string::npos);
    EXPECT_EQ(empty.find("BEGIN"), std::string::npos);
    EXPECT_EQ(empty.find("INSERT"), std::string::npos);

    // --data-only: rows for a table that is already there.
    ScratchFolder other;
    settings.OutputPath = other.Path();
    settings.DataOnly = 1;
    settings.Format = TableFormat::SqlMySql;
    ExportTable(nullptr, settings, "Order Lines");
    const std::string data = ReadAll(other / "Order Lines.sql");
    EXPECT_EQ(data.find("CREATE"), std::string::npos);
    EXPECT_EQ(data.rfind("SET NAMES utf8mb4;\nSTART TRANSACTION;\nINSERT INTO `Order Lines` (`Id`, `Note`)", 0), 0u);
    EXPECT_TRUE(data.ends_with(";\nCOMMIT;\n"));
}

TEST_F(SqlFormTest, ATableThatFailsPartWayIsNeverCommitted) {
    auto file = memdb::Register("/db/f.mdb");
    memdb::Table& table = file->AddTable("T", {{"Id", DaoType::Long}});
    table.Row({memdb::Long(1)}).Row({memdb::Long(2)}).Row({memdb::Failing(HResult::TypeMismatch)});
    Open("/db/f.mdb");
    settings.Format = TableFormat::SqlSqlite;
    EXPECT_THROW(ExportTable(nullptr, settings, "T"), EngineError);
    const std::string sql = ReadAll(folder / "T.sql");
    EXPECT_NE(sql.find("BEGIN;\nINSERT INTO \"T\" (\"Id\") VALUES\n(1),\n(2)"), std::string::npos) << sql;
    EXPECT_EQ(sql.find("COMMIT"), std::string::npos);
}

// A run into one script: every table made before any row, the rows table
// by table, the foreign keys last (when every table they join is filled);
// a table of the same name from a later database is not made twice.
TEST_F(SqlFormTest, OneScriptMakesAllTablesThenFillsThemThenAddsTheirKeys) {
    for (const char* name : {"a.mdb", "b.mdb"}) {
        const std::string path = folder / name;
        WriteAll(path, "");
        auto file = memdb::Register(path);
        memdb::Table& customers = file->AddTable("Customers", {{"Id", DaoType::Long}});
        customers.Row({memdb::Long(name[0] == 'a' ? 1 : 2)});
        customers.Schema = TableSchema{u"Customers", {LongColumn(u"Id")}, {{u"Key", {{u"Id"}}, true, true}}};
        memdb::Table& orders = file->AddTable("Orders", {{"No", DaoType::Long}, {"Customer", DaoType::Long}});
        orders.Row({memdb::Long(10), memdb::Long(1)});
        orders.Schema = TableSchema{u"Orders", {LongColumn(u"No"), LongColumn(u"Customer")}, {}};
        file->Relationships.push_back({u"Placed", u"Orders", {u"Customer"}, u"Customers", {u"Id"}, true, false, true});
    }
    ScratchFolder output;
    settings.SourcePath = folder / "?.mdb";
    settings.OutputPath = output / "all.sql";
    settings.Format = TableFormat::SqlPostgres;
    const ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Library);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"all.sql"}); // nothing left beside it
    const std::string sql = ReadAll(output / "all.sql");
    EXPECT_EQ(Count(sql, "CREATE TABLE"), 2u) << sql;
    EXPECT_EQ(Count(sql, "ALTER TABLE \"Orders\" ADD CONSTRAINT \"Placed\" FOREIGN KEY (\"Customer\") REFERENCES "
                         "\"Customers\" (\"Id\") ON DELETE CASCADE;"),
              1u);
    EXPECT_EQ(Count(sql, "COMMIT;"), 4u);
    EXPECT_LT(sql.rfind("CREATE TABLE"), sql.find("BEGIN;"));
    // After the first database's tables hold their rows.
    EXPECT_EQ(Count(sql.substr(0, sql.find("ALTER TABLE")), "COMMIT;"), 2u);
    EXPECT_NE(sql.find("(1)"), std::string::npos);
    EXPECT_NE(sql.find("(2)"), std::string::npos);
}

// On standard output a table that fails part-way is rolled back, and the
// tables after it still load; a file is not written at all.
TEST_F(SqlFormTest, ATableFailingInOneScriptIsRolledBackOrTheScriptIsNotWritten) {
    const std::string path = folder / "f.mdb";
    WriteAll(path, "");
    auto file = memdb::Register(path);
    file->AddTable("Broken", {{"Id", DaoType::Long}})
        .Row({memdb::Long(1)})
        .Row({memdb::Failing(HResult::TypeMismatch)});
    file->AddTable("Fine", {{"Id", DaoType::Long}}).Row({memdb::Long(7)});
    settings.SourcePath = path;
    settings.Format = TableFormat::SqlSqlite;

    ScratchFolder output;
    const std::string script = output / "script.sql";
    WriteAll(script, "before");
    settings.OutputPath = script;
    RunConversion(settings, ConversionRoad::Library);
    EXPECT_EQ(ReadAll(script), "before");
    EXPECT_EQ(ListFolder(output.Path()), std::vector<std::string>{"script.sql"});

    ConversionSettings piped;
    InitSettings(piped);
    const std::string captured = output / "stdout.sql";
    std::FILE* stream = std::fopen(captured.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    piped.SourcePath = path;
    piped.OutputPath = "-";
    piped.StandardOutput = stream;
    piped.Format = TableFormat::SqlSqlite;
    RunConversion(piped, ConversionRoad::Library);
    std::fclose(stream);
    const std::string sql = ReadAll(captured);
    const std::size_t broken = sql.find("BEGIN;\nINSERT INTO \"Broken\" (\"Id\") VALUES\n(1);\nROLLBACK;\n");
    ASSERT_NE(broken, std::string::npos) << sql;
    EXPECT_NE(sql.find("BEGIN;\nINSERT INTO \"Fine\" (\"Id\") VALUES\n(7);\nCOMMIT;\n", broken), std::string::npos)
        << sql;
}

} // namespace
