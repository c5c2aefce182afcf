#include "engine/RunTarget.h"

#include "engine/Settings.h"
#include "platform/Platform.h"

#include <algorithm>

namespace {

bool Kept(const ConversionSettings& settings, std::u16string_view column) {
    if (!settings.OnlyFields)
        return true;
    return settings.OnlyFields->find(UpperAscii(";" + platform::WideToAnsi(column) + ";")) != std::string::npos;
}

bool HasColumn(const TableSchema& table, std::u16string_view name) {
    return std::any_of(table.Columns.begin(), table.Columns.end(),
                       [&](const ColumnSchema& column) { return column.Name == name; });
}

const TableSchema* Find(const std::vector<TableSchema>& tables, std::u16string_view name) {
    for (const TableSchema& table : tables)
        if (table.Name == name)
            return &table;
    return nullptr;
}

bool HasAll(const TableSchema* table, const std::vector<std::u16string>& columns) {
    return table && std::all_of(columns.begin(), columns.end(),
                                [&](const std::u16string& column) { return HasColumn(*table, column); });
}

} // namespace

TableSchema ExportedSchema(const ConversionSettings& settings, const TableDef& table) {
    TableSchema schema;
    if (std::optional<TableSchema> described = table.Schema()) {
        schema = std::move(*described);
    } else {
        schema.Name = std::u16string(table.Name());
        const Fields& fields = table.GetFields();
        for (int32_t i = 0; i < fields.Count(); ++i) {
            ColumnSchema column;
            column.Name = std::u16string(fields.Item(i).Name());
            column.Type = fields.Item(i).Type();
            schema.Columns.push_back(std::move(column));
        }
    }
    std::erase_if(schema.Columns, [&](const ColumnSchema& column) { return !Kept(settings, column.Name); });
    std::erase_if(schema.Indexes, [&](const IndexSchema& index) {
        return index.Columns.empty() || std::any_of(index.Columns.begin(), index.Columns.end(),
                                                    [&](const IndexColumn& c) { return !HasColumn(schema, c.Name); });
    });
    return schema;
}

std::vector<RelationshipSchema> RelationshipsAmong(const std::vector<TableSchema>& tables,
                                                   const std::vector<RelationshipSchema>& relationships) {
    std::vector<RelationshipSchema> among;
    for (const RelationshipSchema& r : relationships)
        if (!r.Columns.empty() && r.Columns.size() == r.ReferencedColumns.size() &&
            HasAll(Find(tables, r.Table), r.Columns) && HasAll(Find(tables, r.ReferencedTable), r.ReferencedColumns))
            among.push_back(r);
    return among;
}
