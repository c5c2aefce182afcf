#pragma once
// Linked tables: catalog entries whose rows live in another Access database
// (or behind an external connection, which this reader cannot follow).

#include "jet/DatabaseFile.h"

#include <memory>

namespace jet {

struct TableSource {
    std::shared_ptr<DatabaseFile> Database;
    const CatalogTable* Table = nullptr; // a local table of Database
};

// The local table that holds entry's rows: entry itself, or, for a linked
// table, the table it names in the other database, across links of links.
// The other file is looked for at its stored path, then under its own name
// in the linking database's folder, and opened with the linking database's
// password. Raises an EngineError that names the linked source when the
// link cannot be followed.
TableSource ResolveTable(const std::shared_ptr<DatabaseFile>& database, const CatalogTable& entry);

} // namespace jet
