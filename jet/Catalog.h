#pragma once
// The system catalog (MSysObjects): which tables the database holds.

#include "jet/PageFile.h"

#include <string>
#include <vector>

namespace jet {

// Linked: a table of another Access database; LinkedOdbc: one behind an
// ODBC (or other external) connection.
enum class TableKind : uint8_t { Local, Linked, LinkedOdbc };

struct CatalogTable {
    std::u16string Name;
    TableKind Kind = TableKind::Local;
    uint32_t DefinitionPage = 0; // local tables only
    uint32_t Flags = 0;
    std::vector<uint8_t> Properties; // the property blob of a local table; may be empty
    // Linked tables: the other database's path as stored, the table's name
    // there, and the connect text of the link.
    std::u16string LinkedDatabase;
    std::u16string ForeignName;
    std::u16string Connect;
};

// Every table definition the database lists (system tables included), in
// the collection's order: the catalog's (ParentId, Name) index, or, when
// that cannot be walked, the database's collation of the names.
std::vector<CatalogTable> ReadCatalog(PageFile& file);

} // namespace jet
