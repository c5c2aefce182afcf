#include "jet/JetObjects.h"

#include "jet/LinkedTables.h"

namespace jet {

const std::shared_ptr<DatabaseFile>& JetDatabase::Open() const {
    if (!database_)
        RaiseObjectInvalid();
    return database_;
}

std::shared_ptr<TableDefs> JetDatabase::GetTableDefs() { return std::make_shared<JetTableDefs>(Open()); }

std::unique_ptr<Recordset> JetDatabase::OpenRecordset(std::u16string_view name) {
    const auto& database = Open();
    const TableSource source = ResolveTable(database, database->FindTable(name, DaoNumber::TableNotFound));
    return std::make_unique<JetRecordset>(source.Database, *source.Table);
}

std::unique_ptr<Recordset> JetDatabase::OpenRecordsetOf(const TableDef& table) {
    const auto& database = Open();
    const auto* own = dynamic_cast<const JetTableDef*>(&table);
    if (!own || own->Owner() != database.get())
        return OpenRecordset(table.Name());
    const TableSource source = ResolveTable(database, own->Entry());
    return std::make_unique<JetRecordset>(source.Database, *source.Table);
}

} // namespace jet
