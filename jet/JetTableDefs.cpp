#include "jet/JetObjects.h"

#include "jet/LinkedTables.h"

#include <limits>

namespace jet {

std::vector<FieldColumn> FieldColumnsOf(DatabaseFile& database, const TableDefinition& table) {
    std::vector<FieldColumn> fields;
    for (const Column& column : table.Columns) {
        if (column.IsMemoHistory())
            continue;
        const int16_t type = column.Type == ColumnType::Complex
                                 ? ComplexDaoType(database.File(), database.Tables(), table.Page, column)
                                 : DaoTypeOf(column);
        fields.push_back({&column, type});
    }
    return fields;
}

const Fields& JetTableDef::GetFields() const {
    auto& cache = database_->DefinitionFields();
    auto found = cache.find(&entry_);
    if (found != cache.end())
        return *found->second;
    auto fields = std::make_unique<FieldList<DefinitionField>>();
    // A linked table's fields are those of the table it leads to.
    const TableSource source = ResolveTable(database_, entry_);
    const auto table = source.Database->Definition(source.Table->DefinitionPage);
    for (const FieldColumn& field : FieldColumnsOf(*source.Database, *table))
        fields->Items.emplace_back(field.Definition->Name, field.Type);
    return *cache.emplace(&entry_, std::move(fields)).first->second;
}

int16_t JetTableDefs::Count() const {
    const std::size_t count = database_->Tables().size();
    return static_cast<int16_t>(std::min<std::size_t>(count, std::numeric_limits<int16_t>::max()));
}

std::shared_ptr<TableDef> JetTableDefs::Item(int32_t index) const {
    if (index < 0 || index >= Count())
        Raise(DaoNumber::ObjectNotFound, u"Item not found in this collection.");
    return std::make_shared<JetTableDef>(database_, database_->Tables()[static_cast<std::size_t>(index)]);
}

std::shared_ptr<TableDef> JetTableDefs::Item(std::u16string_view name) const {
    return std::make_shared<JetTableDef>(database_, database_->FindTable(name, DaoNumber::ObjectNotFound));
}

} // namespace jet
