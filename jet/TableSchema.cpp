// The structure of a table and the relationships between tables, from the
// definition's column and index blocks, the column properties and the
// relationship catalog.

#include "jet/JetObjects.h"

#include "jet/CodePages.h"
#include "jet/LinkedTables.h"
#include "jet/Names.h"
#include "jet/Properties.h"

#include <algorithm>
#include <map>

namespace jet {

namespace {

std::u16string PropertyText(ByteSpan value, bool jet3, uint16_t codePage) {
    std::u16string text;
    if (jet3) {
        if (!AppendCodePageText(value, codePage, text))
            AppendSingleByteText(value, codePage, text);
    } else {
        for (std::size_t k = 0; k + 1 < value.size(); k += 2)
            text.push_back(static_cast<char16_t>(U16(value, k)));
    }
    return text;
}

const Column* ByNumber(const TableDefinition& table, uint16_t number) {
    for (const Column& column : table.Columns)
        if (column.Number == number)
            return &column;
    return nullptr;
}

} // namespace

std::optional<TableSchema> JetTableDef::Schema() const {
    const TableSource source = ResolveTable(database_, entry_);
    DatabaseFile& file = *source.Database;
    const auto table = file.Definition(source.Table->DefinitionPage);
    const bool jet3 = file.File().IsJet3();
    const uint16_t codePage = file.File().GetHeader().CodePage;
    const ByteSpan properties(source.Table->Properties);

    TableSchema schema;
    schema.Name = entry_.Name;
    for (const FieldColumn& field : FieldColumnsOf(file, *table)) {
        const Column& column = *field.Definition;
        ColumnSchema c;
        c.Name = column.Name;
        c.Type = field.Type;
        if (column.Type == ColumnType::Text)
            c.Size = jet3 ? column.Length : column.Length / 2;
        else if (column.Type == ColumnType::Binary)
            c.Size = column.Length;
        c.Precision = column.Precision;
        c.Scale = column.Scale;
        c.AutoNumber = column.IsAutoNumber() && column.Type != ColumnType::Complex;
        if (const auto required = ColumnProperty(properties, column.Name, u"Required", jet3))
            c.Required = !required->Value.empty() && required->Value[0] != 0;
        if (const auto value = ColumnProperty(properties, column.Name, u"DefaultValue", jet3))
            c.Default = PropertyText(value->Value, jet3, codePage);
        schema.Columns.push_back(std::move(c));
    }

    for (const LogicalIndex& logical : table->LogicalIndexes) {
        // A relationship's own index is described by the relationship.
        if (logical.Kind == 2 || logical.RealIndex >= table->Indexes.size())
            continue;
        const RealIndex& real = table->Indexes[logical.RealIndex];
        IndexSchema index;
        index.Name = logical.Name;
        index.Primary = logical.Kind == 1;
        index.Unique = index.Primary || real.IsUnique();
        bool complete = !real.ColumnNumbers.empty();
        for (std::size_t k = 0; k < real.ColumnNumbers.size(); ++k) {
            const Column* column = ByNumber(*table, real.ColumnNumbers[k]);
            if (!column) {
                complete = false;
                break;
            }
            index.Columns.push_back({column->Name, real.Orders[k] != 1});
        }
        // An index over a column the definition does not hold says nothing true.
        if (complete)
            schema.Indexes.push_back(std::move(index));
    }
    for (const IndexSchema& index : schema.Indexes)
        if (index.Primary)
            for (const IndexColumn& key : index.Columns)
                for (ColumnSchema& column : schema.Columns)
                    if (column.Name == key.Name)
                        column.Required = true;
    return schema;
}

std::vector<RelationshipSchema> JetDatabase::Relationships() {
    const auto& database = Open();
    const CatalogTable* catalog = nullptr;
    for (const CatalogTable& table : database->Tables())
        if (table.Kind == TableKind::Local && SameName(table.Name, u"MSysRelationships"))
            catalog = &table;
    if (!catalog)
        return {};
    JetRecordset rows(database, *catalog);
    const Fields& fields = rows.GetFields();
    auto field = [&](std::u16string_view name) -> const Field& {
        for (int16_t k = 0; k < fields.Count(); ++k)
            if (SameName(fields.Item(k).Name(), name))
                return fields.Item(k);
        RaiseCorrupt("the relationship catalog lacks a column");
    };
    const Field& count = field(u"ccolumn");
    const Field& attributes = field(u"grbit");
    const Field& position = field(u"icolumn");
    const Field& column = field(u"szColumn");
    const Field& object = field(u"szObject");
    const Field& referencedColumn = field(u"szReferencedColumn");
    const Field& referencedObject = field(u"szReferencedObject");
    const Field& name = field(u"szRelationship");
    auto text = [](const Field& f) { return std::u16string(f.Value().Type == VarType::Text ? f.Value().Text : u""); };
    auto number = [](const Field& f) { return f.Value().Type == VarType::I4 ? f.Value().I4 : 0; };

    struct Pair {
        int32_t Position;
        std::u16string Column, Referenced;
    };
    std::vector<RelationshipSchema> result;
    std::vector<std::vector<Pair>> pairs;
    std::vector<int32_t> expected;
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
        const std::u16string relationship = text(name);
        auto found = std::find_if(result.begin(), result.end(),
                                  [&](const RelationshipSchema& r) { return r.Name == relationship; });
        if (found == result.end()) {
            RelationshipSchema r;
            r.Name = relationship;
            // The table holding the foreign key refers to the other's key.
            r.Table = text(object);
            r.ReferencedTable = text(referencedObject);
            const int32_t flags = number(attributes);
            r.Enforced = (flags & 0x2) == 0;
            r.CascadeUpdate = (flags & 0x100) != 0;
            r.CascadeDelete = (flags & 0x1000) != 0;
            result.push_back(std::move(r));
            pairs.emplace_back();
            expected.push_back(number(count));
            found = result.end() - 1;
        }
        pairs[static_cast<std::size_t>(found - result.begin())].push_back(
            {number(position), text(column), text(referencedColumn)});
    }
    std::vector<RelationshipSchema> whole;
    for (std::size_t k = 0; k < result.size(); ++k) {
        std::sort(pairs[k].begin(), pairs[k].end(),
                  [](const Pair& a, const Pair& b) { return a.Position < b.Position; });
        // A relationship missing a column pair would join on the wrong key.
        if (static_cast<int32_t>(pairs[k].size()) != expected[k])
            RaiseCorrupt("a relationship's column pairs are incomplete");
        for (const Pair& p : pairs[k]) {
            result[k].Columns.push_back(p.Column);
            result[k].ReferencedColumns.push_back(p.Referenced);
        }
        whole.push_back(std::move(result[k]));
    }
    return whole;
}

} // namespace jet
