#include "jet/JetObjects.h"

#include "jet/LinkedTables.h"

#include <limits>

namespace jet {

namespace {

int16_t TypeOf(DatabaseFile& database, const TableDefinition& table, const Column& column) {
    if (column.Type == ColumnType::Complex)
        return ComplexDaoType(database.File(), database.Tables(), table.Page, column);
    return DaoTypeOf(column);
}

} // namespace

const Fields& JetTableDef::GetFields() const {
    auto& cache = database_->DefinitionFields();
    auto found = cache.find(&entry_);
    if (found != cache.end())
        return *found->second;
    auto fields = std::make_unique<FieldList<DefinitionField>>();
    // A linked table's fields are those of the table it leads to.
    const TableSource source = ResolveTable(database_, entry_);
    const auto table = source.Database->Definition(source.Table->DefinitionPage);
    for (const Column& column : table->Columns)
        if (!column.IsMemoHistory())
            fields->Items.emplace_back(column.Name, TypeOf(*source.Database, *table, column));
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
