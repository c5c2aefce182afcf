// --format=sqlite through the run: the file read back with SQLite itself.
// Values keep SQLite's own types, the file passes SQLite's checks, and a
// file already there is replaced only by a complete run.

#include "engine/Conversion.h"
#include "engine/Run.h"
#include "engine/SqliteForm.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <sqlite3.h>

#include <map>

using namespace enginetest;

namespace {

// The database file opened read-only; each query's rows as "type:value" texts.
class ReadBack {
public:
    explicit ReadBack(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path;
    }
    ~ReadBack() { sqlite3_close(db_); }
    std::vector<std::vector<std::string>> Rows(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return rows;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const int type = sqlite3_column_type(statement, c);
                const char* names[] = {"", "integer", "real", "text", "blob", "null"};
                std::string cell = std::string(names[type]) + ":";
                if (type == SQLITE_BLOB) {
                    const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, c));
                    for (int k = 0; k < sqlite3_column_bytes(statement, c); ++k)
                        cell += "0123456789abcdef"[bytes[k] >> 4], cell += "0123456789abcdef"[bytes[k] & 15];
                } else if (type != SQLITE_NULL) {
                    cell += reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                }
                row.push_back(cell);
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        return rows;
    }
    std::string One(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "(" + std::to_string(rows.size()) + " rows)";
    }

private:
    sqlite3* db_ = nullptr;
};

class SqliteFileTest : public EngineTest {
protected:
    SqliteFileTest() {
        if (!SqliteInThisBuild())
            return;
        settings.Format = TableFormat::Sqlite;
        settings.OutputPath = target;
    }
    void SetUp() override {
        if (!SqliteInThisBuild())
            GTEST_SKIP() << "built without SQLite";
    }

    // A database on disk (for the run to find) with every kind of value.
    std::shared_ptr<memdb::File> Kinds(const std::string& name) {
        const std::string path = folder / name;
        WriteAll(path, "");
        auto file = memdb::Register(path);
        file->AddTable("Kinds", {{"Id", DaoType::Long},
                                 {"Name", DaoType::Text},
                                 {"Ratio", DaoType::Double},
                                 {"Price", DaoType::Currency},
                                 {"Day", DaoType::Date},
                                 {"Done", DaoType::Boolean},
                                 {"Data", DaoType::LongBinary},
                                 {"Big", DaoType::BigInt}})
            .Row({memdb::Long(1), memdb::WideText(u"Zo\u00eb \u201cq\u201d 'x'"), memdb::Double(0.1),
                  memdb::Currency(123456), memdb::Date(45299.385416666664), memdb::Boolean(true),
                  memdb::Binary({0, 1, 0xfe}), memdb::BigInt(int64_t{1} << 40)})
            .Row({memdb::Long(2), memdb::Null(), memdb::Null(), memdb::Null(), memdb::Null(), memdb::Boolean(false),
                  memdb::Null(), memdb::Null()})
            .Row({memdb::Long(3), memdb::Text(""), memdb::Double(-2.5e300), memdb::Currency(-5), memdb::Date(0.5),
                  memdb::Boolean(false), memdb::Binary({}), memdb::BigInt(-1)});
        settings.SourcePath = path;
        return file;
    }

    ConversionOutcome Run() { return RunConversion(settings, ConversionRoad::Library); }

    ScratchFolder out;
    const std::string target = out / "shop.sqlite";
};

TEST_F(SqliteFileTest, ValuesKeepSqlitesOwnTypesAndTheFilePassesItsChecks) {
    Kinds("kinds.mdb");
    const ConversionOutcome outcome = Run();
    ASSERT_TRUE(outcome.Succeeded()) << (outcome.Failures.empty() ? "" : outcome.Failures[0].Reason);
    EXPECT_EQ(outcome.RecordsDone, 3);
    ReadBack db(target);
    EXPECT_EQ(db.One("PRAGMA integrity_check"), "text:ok");
    EXPECT_TRUE(db.Rows("PRAGMA foreign_key_check").empty());
    const auto rows = db.Rows("SELECT * FROM Kinds ORDER BY Id");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"integer:1", "text:Zo\u00eb \u201cq\u201d 'x'", "real:0.1",
                                                 "real:12.3456", "text:2024-01-08 09:15:00", "integer:1", "blob:0001fe",
                                                 "integer:1099511627776"}));
    // NULL stays distinct from the empty text and the empty binary value.
    EXPECT_EQ(rows[1], (std::vector<std::string>{"integer:2", "null:", "null:", "null:", "null:", "integer:0",
                                                 "null:", "null:"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"integer:3", "text:", "real:-2.5e+300", "real:-0.0005",
                                                 "text:1899-12-30 12:00:00", "integer:0", "blob:", "integer:-1"}));
    // The columns are declared with the types the schema maps them to.
    const auto columns = db.Rows("SELECT name, type FROM pragma_table_info('Kinds')");
    std::map<std::string, std::string> types;
    for (const auto& column : columns)
        types[column[0].substr(5)] = column[1].substr(5);
    EXPECT_EQ(types["Price"], "NUMERIC");
    EXPECT_EQ(types["Day"], "TEXT");
    EXPECT_EQ(types["Data"], "BLOB");
    EXPECT_EQ(types["Done"], "INTEGER");
    EXPECT_FALSE(Exists(target + ".incomplete"));
}

TEST_F(SqliteFileTest, OnlyTheChosenTablesAndColumnsAreMade) {
    auto file = Kinds("kinds.mdb");
    file->AddTable("Other", {{"N", DaoType::Long}}).Row({memdb::Long(7)});
    file->AddTable("Third", {{"M", DaoType::Long}}).Row({memdb::Long(8)});
    settings.Tables = ";KINDS;OTHER;";
    settings.OnlyFields = ";ID;DATA;N;";
    ASSERT_TRUE(Run().Succeeded());
    ReadBack db(target);
    EXPECT_EQ(db.Rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (std::vector<std::vector<std::string>>{{"text:Kinds"}, {"text:Other"}}));
    EXPECT_EQ(db.Rows("SELECT name FROM pragma_table_info('Kinds')"),
              (std::vector<std::vector<std::string>>{{"text:Id"}, {"text:Data"}}));
    EXPECT_EQ(db.One("SELECT count(*) FROM Kinds WHERE Data IS NOT NULL"), "integer:2");
    EXPECT_EQ(db.One("SELECT N FROM Other"), "integer:7");
}

TEST_F(SqliteFileTest, ManyRowsOnSeveralThreadsArriveWholeAndInOrder) {
    const std::string path = folder / "many.mdb";
    WriteAll(path, "");
    auto file = memdb::Register(path);
    memdb::Table& table = file->AddTable("Many", {{"N", DaoType::Long}, {"Memo", DaoType::Memo}});
    const std::string big(300000, 'm'); // larger than one piece the sink hands on
    for (int r = 0; r < 5000; ++r) {
        table.Row({memdb::Long(r), memdb::Text(r % 1000 == 7 ? big : "row " + std::to_string(r))});
        table.RowBlocks.push_back(r / 100);
    }
    table.Blocks = 50;
    settings.SourcePath = path;
    settings.ExportThreads = 4;
    ASSERT_TRUE(Run().Succeeded());
    ReadBack db(target);
    EXPECT_EQ(db.One("SELECT count(*) FROM Many"), "integer:5000");
    // rowid follows the insert order, which must be the table's.
    EXPECT_EQ(db.One("SELECT count(*) FROM Many WHERE rowid <> N + 1"), "integer:0");
    EXPECT_EQ(db.One("SELECT count(*) FROM Many WHERE length(Memo) = 300000"), "integer:5");
    EXPECT_EQ(db.One("SELECT Memo FROM Many WHERE N = 4999"), "text:row 4999");
}

TEST_F(SqliteFileTest, AnOldFileIsReplacedOnlyByACompleteRun) {
    WriteAll(target, "the old file");
    auto file = Kinds("kinds.mdb");
    // A table that cannot be read fails the run: the old file stays.
    file->AddTable("Broken", {{"N", DaoType::Long}}).OpenRecordsetFailure = HResult::Fail;
    ConversionOutcome outcome = Run();
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.TablesFailed, 1);
    EXPECT_EQ(ReadAll(target), "the old file");
    EXPECT_FALSE(Exists(target + ".incomplete"));
    ASSERT_FALSE(outcome.Warnings.empty());
    EXPECT_NE(outcome.Warnings.back().find("what it held before stays"), std::string::npos);

    // Without it the run is complete and the new database takes the place.
    settings.Tables = ";KINDS;";
    settings.TablesFailed = 0;
    settings.FilesFailed = 0;
    outcome = Run();
    ASSERT_TRUE(outcome.Succeeded());
    ReadBack db(target);
    EXPECT_EQ(db.One("SELECT count(*) FROM Kinds"), "integer:3");
}

TEST_F(SqliteFileTest, AStopPartWayLeavesTheOldFile) {
    WriteAll(target, "the old file");
    Kinds("kinds.mdb");
    RecordingProgress progress(&settings, 2);
    settings.ProgressWindow = &progress;
    const ConversionOutcome outcome = Run();
    EXPECT_TRUE(outcome.Stopped);
    EXPECT_EQ(ReadAll(target), "the old file");
    EXPECT_FALSE(Exists(target + ".incomplete"));
}

TEST_F(SqliteFileTest, TheSameTableOfSeveralDatabasesGoesIntoOneTableAndAMisfitFailsWithSqlitesReason) {
    Kinds("a1.mdb");
    Kinds("a2.mdb");
    settings.SourcePath = folder / "a?.mdb";
    ConversionOutcome outcome = Run();
    ASSERT_TRUE(outcome.Succeeded()) << (outcome.Failures.empty() ? "" : outcome.Failures[0].Reason);
    {
        ReadBack db(target);
        EXPECT_EQ(db.One("SELECT count(*) FROM Kinds"), "integer:6");
        EXPECT_EQ(db.One("SELECT count(*) FROM sqlite_master WHERE type = 'table'"), "integer:1");
    }
    // A third database whose table of that name has other columns: SQLite
    // refuses its rows, the table fails with SQLite's words, and the file
    // of the complete run before stays.
    auto third = memdb::Register(folder / "a3.mdb");
    WriteAll(folder / "a3.mdb", "");
    third->AddTable("Kinds", {{"Other", DaoType::Long}}).Row({memdb::Long(1)});
    settings.SourcePath = folder / "a?.mdb";
    outcome = Run();
    EXPECT_EQ(outcome.TablesFailed, 1);
    ASSERT_EQ(outcome.Failures.size(), 1u);
    EXPECT_EQ(outcome.Failures[0].Table, "Kinds");
    EXPECT_NE(outcome.Failures[0].Reason.find("Other"), std::string::npos) << outcome.Failures[0].Reason;
    ReadBack db(target);
    EXPECT_EQ(db.One("SELECT count(*) FROM Kinds"), "integer:6");
}

// Customers and their orders, keyed and related as a reader describes them.
std::shared_ptr<memdb::File> Shop(const std::string& path) {
    WriteAll(path, "");
    auto file = memdb::Register(path);
    memdb::Table& orders = file->AddTable(
        "Orders",
        {{"Id", DaoType::Long}, {"Customer", DaoType::Long}, {"Region", DaoType::Text}, {"Total", DaoType::Currency}});
    orders.Row({memdb::Long(1), memdb::Long(10), memdb::Text("N"), memdb::Currency(5)})
        .Row({memdb::Long(2), memdb::Long(11), memdb::Text("S"), memdb::Null()});
    orders.Schema = TableSchema{u"Orders",
                                {{u"Id", DaoType::Long, 0, 0, 0, true, true, {}},
                                 {u"Customer", DaoType::Long, 0, 0, 0, true, false, {}},
                                 {u"Region", DaoType::Text, 4, 0, 0, false, false, {}},
                                 {u"Total", DaoType::Currency, 0, 0, 0, false, false, u"0"}},
                                {{u"PrimaryKey", {{u"Id", false}}, true, true},
                                 {u"ByCustomer", {{u"Customer", false}, {u"Region", true}}, false, false}}};
    memdb::Table& customers =
        file->AddTable("Customers", {{"No", DaoType::Long}, {"Region", DaoType::Text}, {"Name", DaoType::Text}});
    customers.Row({memdb::Long(10), memdb::Text("N"), memdb::Text("Ann")})
        .Row({memdb::Long(11), memdb::Text("S"), memdb::Text("Bob")});
    customers.Schema = TableSchema{u"Customers",
                                   {{u"No", DaoType::Long, 0, 0, 0, true, false, {}},
                                    {u"Region", DaoType::Text, 4, 0, 0, true, false, {}},
                                    {u"Name", DaoType::Text, 50, 0, 0, false, false, {}}},
                                   {{u"PrimaryKey", {{u"No", false}, {u"Region", false}}, true, true},
                                    {u"Names", {{u"Name", false}}, true, false}}};
    // The order refers to its customer by two columns; the table it
    // refers to comes after it.
    file->Relationships.push_back({u"OrdersOfCustomers",
                                   u"Orders",
                                   {u"Customer", u"Region"},
                                   u"Customers",
                                   {u"No", u"Region"},
                                   true,
                                   false,
                                   true});
    return file;
}

TEST_F(SqliteFileTest, KeysIndexesAndRelationshipsAreDeclaredAndTheRowsFitThem) {
    Shop(folder / "shop.mdb");
    settings.SourcePath = folder / "shop.mdb";
    ASSERT_TRUE(Run().Succeeded());
    ReadBack db(target);
    EXPECT_EQ(db.One("PRAGMA integrity_check"), "text:ok");
    EXPECT_TRUE(db.Rows("PRAGMA foreign_key_check").empty());
    // The autonumber key is SQLite's rowid; the compound key is the table's.
    EXPECT_EQ(db.Rows("SELECT name, pk, \"notnull\" FROM pragma_table_info('Customers') ORDER BY cid"),
              (std::vector<std::vector<std::string>>{{"text:No", "integer:1", "integer:1"},
                                                     {"text:Region", "integer:2", "integer:1"},
                                                     {"text:Name", "integer:0", "integer:0"}}));
    EXPECT_EQ(db.One("SELECT dflt_value FROM pragma_table_info('Orders') WHERE name = 'Total'"), "text:0");
    EXPECT_EQ(
        db.Rows("SELECT \"from\", \"to\", \"table\", on_delete FROM pragma_foreign_key_list('Orders') ORDER BY seq"),
        (std::vector<std::vector<std::string>>{{"text:Customer", "text:No", "text:Customers", "text:CASCADE"},
                                               {"text:Region", "text:Region", "text:Customers", "text:CASCADE"}}));
    EXPECT_EQ(db.Rows("SELECT name, \"desc\" FROM pragma_index_xinfo('Orders_ByCustomer') WHERE key"),
              (std::vector<std::vector<std::string>>{{"text:Customer", "integer:0"}, {"text:Region", "integer:1"}}));
    EXPECT_EQ(db.One("SELECT \"unique\" FROM pragma_index_list('Customers') WHERE name = 'Customers_Names'"),
              "integer:1");
    EXPECT_EQ(
        db.One("SELECT count(*) FROM Orders JOIN Customers ON Customer = No AND Orders.Region = Customers.Region"),
        "integer:2");
}

TEST_F(SqliteFileTest, AColumnLeftOutTakesItsKeysAndRelationshipsWithIt) {
    Shop(folder / "shop.mdb");
    settings.SourcePath = folder / "shop.mdb";
    settings.OnlyFields = ";ID;CUSTOMER;NO;NAME;";
    ASSERT_TRUE(Run().Succeeded());
    ReadBack db(target);
    EXPECT_EQ(db.One("SELECT count(*) FROM pragma_foreign_key_list('Orders')"), "integer:0");
    EXPECT_EQ(db.One("SELECT count(*) FROM pragma_index_list('Orders')"), "integer:0");
    EXPECT_EQ(db.One("SELECT count(*) FROM pragma_table_info('Customers') WHERE pk > 0"), "integer:0");
    EXPECT_EQ(db.One("SELECT count(*) FROM Customers"), "integer:2");
}

TEST_F(SqliteFileTest, ADuplicateKeyFailsTheTableAndKeepsTheOldFile) {
    auto file = Shop(folder / "shop.mdb");
    file->Tables[1].Row({memdb::Long(10), memdb::Text("N"), memdb::Text("Cy")});
    settings.SourcePath = folder / "shop.mdb";
    WriteAll(target, "the old file");
    const ConversionOutcome outcome = Run();
    EXPECT_EQ(outcome.TablesFailed, 1);
    ASSERT_EQ(outcome.Failures.size(), 1u);
    EXPECT_EQ(outcome.Failures[0].Table, "Customers");
    EXPECT_NE(outcome.Failures[0].Reason.find("row 3"), std::string::npos) << outcome.Failures[0].Reason;
    EXPECT_NE(outcome.Failures[0].Reason.find("UNIQUE"), std::string::npos) << outcome.Failures[0].Reason;
    EXPECT_EQ(ReadAll(target), "the old file");
}

TEST_F(SqliteFileTest, ARefusedRowAmongManyIsNamedAndATableWithoutChosenColumnsIsLeftOut) {
    auto file = Shop(folder / "shop.mdb");
    memdb::Table& customers = file->Tables[1];
    customers.Rows.clear();
    for (int r = 1; r <= 300; ++r)
        customers.Row({memdb::Long(r), memdb::Text("N"), memdb::Text(r == 150 ? "Ann" : "C" + std::to_string(r))});
    // Row 150 is the second with the name "Ann"... none before it is: the
    // unique index refuses it alone, in the middle of a many-row statement.
    customers.Rows[9][2] = memdb::Text("Ann");
    settings.SourcePath = folder / "shop.mdb";
    ConversionOutcome outcome = Run();
    ASSERT_EQ(outcome.Failures.size(), 1u);
    EXPECT_NE(outcome.Failures[0].Reason.find("row 150:"), std::string::npos) << outcome.Failures[0].Reason;

    // Without the duplicate every row arrives; a table none of whose
    // columns is chosen is left out rather than failing the database.
    customers.Rows[9][2] = memdb::Text("C10");
    settings.OnlyFields = ";NO;NAME;";
    settings.TablesFailed = 0;
    settings.FilesFailed = 0;
    outcome = Run();
    ASSERT_TRUE(outcome.Succeeded()) << (outcome.Failures.empty() ? "" : outcome.Failures[0].Reason);
    ReadBack db(target);
    EXPECT_EQ(db.One("SELECT count(*) FROM Customers"), "integer:300");
    EXPECT_EQ(db.One("SELECT sum(No) FROM Customers"), "integer:45150");
    EXPECT_EQ(db.One("SELECT count(*) FROM sqlite_master WHERE name = 'Orders'"), "integer:0");
}

TEST_F(SqliteFileTest, AnOutputThatIsNotOneDatabaseFileIsRefusedBeforeAnyDatabaseOpens) {
    auto file = Kinds("kinds.mdb");
    for (const std::string& output : {out.Path(), out / "shop.csv"}) {
        settings.OutputPath = output;
        settings.FilesFailed = 0;
        const ConversionOutcome outcome = Run();
        EXPECT_FALSE(outcome.Succeeded()) << output;
        ASSERT_FALSE(outcome.Failures.empty()) << output;
        EXPECT_NE(outcome.Failures[0].Reason.find(".sqlite"), std::string::npos) << outcome.Failures[0].Reason;
    }
    EXPECT_EQ(file->Used.Opens, 0);
    settings.OutputPath = target;
    settings.StandardOutput = stdout;
    settings.FilesFailed = 0;
    const ConversionOutcome outcome = Run();
    ASSERT_FALSE(outcome.Failures.empty());
    EXPECT_NE(outcome.Failures[0].Reason.find("standard output"), std::string::npos);
    EXPECT_FALSE(Exists(target));
}

} // namespace
