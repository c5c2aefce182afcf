#pragma once
// The system catalog (MSysObjects): which tables the database holds.

#include "jet/PageFile.h"

#include <string>
#include <vector>

namespace jet {

enum class TableKind : uint8_t { Local, Linked };

struct CatalogTable {
    std::u16string Name;
    TableKind Kind = TableKind::Local;
    uint32_t DefinitionPage = 0; // local tables only
    uint32_t Flags = 0;
    std::vector<uint8_t> Properties; // the property blob of a local table; may be empty
};

// Every table definition the database lists (system tables included), in
// the collection's order: by name without regard to case.
std::vector<CatalogTable> ReadCatalog(PageFile& file);

} // namespace jet
