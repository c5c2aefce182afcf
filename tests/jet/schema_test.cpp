// Keys, indexes and relationships read from sample databases, against what
// an independent reader reports for the same files.

#include "CorpusFiles.h"

#include "jet/JetEngine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::optional<TableSchema> SchemaOf(Database& database, std::u16string_view table) {
    return database.GetTableDefs()->Item(table)->Schema();
}

const IndexSchema* Named(const TableSchema& table, std::u16string_view name) {
    for (const IndexSchema& index : table.Indexes)
        if (index.Name == name)
            return &index;
    return nullptr;
}

const ColumnSchema* Column(const TableSchema& table, std::u16string_view name) {
    for (const ColumnSchema& column : table.Columns)
        if (column.Name == name)
            return &column;
    return nullptr;
}

TEST(JetSchema, KeysIndexesAndColumnFactsOfEachFormat) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    for (const char* file : {"V2003/test.mdb", "V2007/test.accdb", "V2010/test.accdb"}) {
        SCOPED_TRACE(file);
        const auto database = jettest::Open(*engine, jettest::CorpusDir() / file);
        const auto table1 = SchemaOf(*database, u"Table1");
        ASSERT_TRUE(table1);
        ASSERT_EQ(table1->Columns.size(), 9u);
        const IndexSchema* key = nullptr;
        for (const IndexSchema& index : table1->Indexes)
            if (index.Primary)
                key = &index;
        ASSERT_NE(key, nullptr);
        ASSERT_EQ(key->Columns.size(), 1u);
        EXPECT_EQ(key->Columns[0].Name, u"A");
        EXPECT_FALSE(key->Columns[0].Descending);
        EXPECT_TRUE(key->Unique);
        const IndexSchema* b = Named(*table1, u"B");
        ASSERT_NE(b, nullptr);
        EXPECT_FALSE(b->Unique);
        EXPECT_FALSE(b->Primary);
        // A key column is required whatever its property says; others keep theirs.
        EXPECT_TRUE(Column(*table1, u"A")->Required);
        EXPECT_FALSE(Column(*table1, u"B")->Required);
        EXPECT_EQ(Column(*table1, u"A")->Size, 50);
        EXPECT_EQ(Column(*table1, u"B")->Size, 100);
        EXPECT_EQ(Column(*table1, u"H")->Type, DaoType::Currency);
        ASSERT_TRUE(Column(*table1, u"C")->Default);
        EXPECT_EQ(*Column(*table1, u"C")->Default, u"0");

        // An index may sit on the key's own column under a name of its own.
        const auto table2 = SchemaOf(*database, u"Table2");
        ASSERT_TRUE(table2);
        const IndexSchema* id = Named(*table2, u"id");
        ASSERT_NE(id, nullptr);
        ASSERT_EQ(id->Columns.size(), 1u);
        EXPECT_EQ(id->Columns[0].Name, u"column1");
        EXPECT_TRUE(Named(*table2, u"column75"));
    }
}

TEST(JetSchema, RelationshipsWithTheirSidesAndCascades) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    for (const char* file : {"password/V2003_no-password.mdb", "password/V2010_no-password.accdb"}) {
        SCOPED_TRACE(file);
        const auto database = jettest::Open(*engine, jettest::CorpusDir() / file);
        const std::vector<RelationshipSchema> relationships = database->Relationships();
        ASSERT_EQ(relationships.size(), 2u);
        const auto found = std::find_if(relationships.begin(), relationships.end(), [](const RelationshipSchema& r) {
            return r.Name == u"MSysNavPaneGroupsMSysNavPaneGroupToObjects";
        });
        ASSERT_NE(found, relationships.end());
        // The table holding the foreign key is the one that refers.
        EXPECT_EQ(found->Table, u"MSysNavPaneGroupToObjects");
        EXPECT_EQ(found->Columns, std::vector<std::u16string>{u"GroupID"});
        EXPECT_EQ(found->ReferencedTable, u"MSysNavPaneGroups");
        EXPECT_EQ(found->ReferencedColumns, std::vector<std::u16string>{u"Id"});
        EXPECT_TRUE(found->Enforced);
        EXPECT_TRUE(found->CascadeUpdate);
        EXPECT_TRUE(found->CascadeDelete);
    }
}

TEST(JetSchema, ADatabaseWithoutRelationshipsHasNone) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, jettest::CorpusDir() / "V2003/test.mdb");
    EXPECT_TRUE(database->Relationships().empty());
}

} // namespace
