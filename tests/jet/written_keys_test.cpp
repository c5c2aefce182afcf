// Keys, indexes and relationships of files the fixture writer made, in both
// formats that hold indexes: what the definition states comes back whole
// (compound keys in their order, descending columns, uniqueness), and the
// relationship catalog's rows become relationships of several column pairs
// with their cascades, enforced or not.

#include "CorpusFiles.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace building;

MdbDescription Shop(FileFormat format) {
    MdbDescription d;
    d.format = format;
    TableSpec customers;
    customers.name = "Customers";
    customers.columns = {Col("Id", JetType::Long), Col("Email", JetType::Text, 80), Col("Last", JetType::Text, 40),
                         Col("First", JetType::Text, 40)};
    customers.columns[0].autonumber = true;
    customers.rows = {{I(1), T("a@x.org"), T("Lee"), T("Ann")}};
    customers.indexes = {{"PrimaryKey", {"Id"}, {false}, true, false},
                         {"Email", {"Email"}, {false}, false, true},
                         {"By Name", {"Last", "First"}, {false, true}, false, false}};
    TableSpec orders;
    orders.name = "Orders";
    orders.columns = {Col("Region", JetType::Text, 2), Col("No", JetType::Long), Col("Customer", JetType::Long)};
    orders.rows = {{T("NO"), I(1), I(1)}};
    orders.indexes = {{"PrimaryKey", {"Region", "No"}, {false, false}, true, false}};
    TableSpec lines;
    lines.name = "Lines";
    lines.columns = {Col("Region", JetType::Text, 2), Col("Order", JetType::Long), Col("Line", JetType::Integer)};
    lines.rows = {{T("NO"), I(1), I(1)}};
    d.tables = {customers, orders, lines};
    d.relationships = {{"Placed", "Orders", {"Customer"}, "Customers", {"Id"}, true, false, true},
                       {"Holds", "Lines", {"Region", "Order"}, "Orders", {"Region", "No"}, true, true, true},
                       {"Loose", "Lines", {"Line"}, "Customers", {"Id"}, false, false, false}};
    return d;
}

const IndexSchema* Named(const TableSchema& table, std::u16string_view name) {
    for (const IndexSchema& index : table.Indexes)
        if (index.Name == name)
            return &index;
    return nullptr;
}

const RelationshipSchema* Named(const std::vector<RelationshipSchema>& all, std::u16string_view name) {
    for (const RelationshipSchema& r : all)
        if (r.Name == name)
            return &r;
    return nullptr;
}

TEST(WrittenKeys, IndexesAndRelationshipsComeBackAsWritten) {
    oracle::Scratch scratch;
    const auto engine = CreateJetEngine(true);
    for (FileFormat format : {FileFormat::Jet4, FileFormat::Ace14}) {
        const std::string path = scratch.file(format == FileFormat::Jet4 ? "shop.mdb" : "shop.accdb");
        SCOPED_TRACE(path);
        WriteMdb(Shop(format), path);
        const auto database = jettest::Open(*engine, path);

        const auto defs = database->GetTableDefs();
        const std::optional<TableSchema> customers = defs->Item(u"Customers")->Schema();
        ASSERT_TRUE(customers);
        ASSERT_EQ(customers->Indexes.size(), 3u);
        const IndexSchema* key = Named(*customers, u"PrimaryKey");
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->Primary);
        EXPECT_TRUE(key->Unique);
        EXPECT_TRUE(customers->Columns[0].AutoNumber);
        EXPECT_TRUE(customers->Columns[0].Required); // a key column
        const IndexSchema* email = Named(*customers, u"Email");
        ASSERT_NE(email, nullptr);
        EXPECT_TRUE(email->Unique);
        EXPECT_FALSE(email->Primary);
        const IndexSchema* byName = Named(*customers, u"By Name");
        ASSERT_NE(byName, nullptr);
        EXPECT_FALSE(byName->Unique);
        ASSERT_EQ(byName->Columns.size(), 2u);
        EXPECT_EQ(byName->Columns[0].Name, u"Last");
        EXPECT_FALSE(byName->Columns[0].Descending);
        EXPECT_EQ(byName->Columns[1].Name, u"First");
        EXPECT_TRUE(byName->Columns[1].Descending);

        const std::optional<TableSchema> orders = defs->Item(u"Orders")->Schema();
        ASSERT_TRUE(orders);
        ASSERT_EQ(orders->Indexes.size(), 1u);
        ASSERT_EQ(orders->Indexes[0].Columns.size(), 2u);
        EXPECT_EQ(orders->Indexes[0].Columns[1].Name, u"No");
        EXPECT_TRUE(defs->Item(u"Lines")->Schema()->Indexes.empty());

        const std::vector<RelationshipSchema> relationships = database->Relationships();
        ASSERT_EQ(relationships.size(), 3u);
        const RelationshipSchema* holds = Named(relationships, u"Holds");
        ASSERT_NE(holds, nullptr);
        EXPECT_EQ(holds->Table, u"Lines");
        EXPECT_EQ(holds->Columns, (std::vector<std::u16string>{u"Region", u"Order"}));
        EXPECT_EQ(holds->ReferencedTable, u"Orders");
        EXPECT_EQ(holds->ReferencedColumns, (std::vector<std::u16string>{u"Region", u"No"}));
        EXPECT_TRUE(holds->Enforced && holds->CascadeUpdate && holds->CascadeDelete);
        const RelationshipSchema* placed = Named(relationships, u"Placed");
        ASSERT_NE(placed, nullptr);
        EXPECT_FALSE(placed->CascadeUpdate);
        EXPECT_TRUE(placed->CascadeDelete);
        const RelationshipSchema* loose = Named(relationships, u"Loose");
        ASSERT_NE(loose, nullptr);
        EXPECT_FALSE(loose->Enforced);
    }
}

// The other reader agrees on the keys and the relationship catalog.
TEST(WrittenKeys, AnIndependentReaderSeesTheSameKeys) {
    if (!oracle::HaveMdbTools())
        GTEST_SKIP() << "mdbtools is not installed";
    oracle::Scratch scratch;
    const std::string path = scratch.file("shop.accdb");
    WriteMdb(Shop(FileFormat::Ace14), path);
    int status = 0;
    const std::string schema = oracle::Run("mdb-schema " + oracle::Quote(path) + " postgres 2>&1", status);
    ASSERT_EQ(status, 0) << schema;
    EXPECT_NE(schema.find("PRIMARY KEY (\"region\", \"no\")"), std::string::npos) << schema;
    EXPECT_NE(schema.find("CREATE UNIQUE INDEX \"customers_email_idx\""), std::string::npos) << schema;
    EXPECT_NE(schema.find("(\"last\", \"first\" DESC)"), std::string::npos) << schema;
    EXPECT_NE(schema.find("ON UPDATE CASCADE ON DELETE CASCADE"), std::string::npos) << schema;
    EXPECT_NE(schema.find("does not enforce integrity"), std::string::npos) << schema;
}

} // namespace
