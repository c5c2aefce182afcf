#pragma once
// ACE complex columns (attachments, multi-value lists): the row holds a key;
// the items are rows of a hidden flat table that share that key.

#include "jet/Catalog.h"
#include "jet/RecordLayout.h"
#include "jet/TableDefinition.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jet {

// An attachment as its flat table row holds it: the data stays where it is
// stored (a long value's reference, or the bytes kept in the row) until a
// writer asks for it.
struct StoredAttachment {
    std::u16string Type;
    Presence DataState = Presence::Null;
    std::vector<uint8_t> DataBytes;
};

struct ComplexColumn {
    int16_t DaoType = 0; // dbAttachment or one of the multi-value codes
    // Item texts per key, in the order the items were added.
    std::map<int32_t, std::vector<std::u16string>> Items;
    // Attachments only: the FileData column and, per key, the items in the
    // order of Items.
    std::optional<Column> FileData;
    std::map<int32_t, std::vector<StoredAttachment>> Files;
};

// Resolves a complex column of the table whose definition is on tablePage.
// Raises when the catalog does not describe the column.
ComplexColumn ReadComplexColumn(PageFile& file, const std::vector<CatalogTable>& catalog, uint32_t tablePage,
                                const Column& column);

// The DAO type of a complex column, without reading its items.
int16_t ComplexDaoType(PageFile& file, const std::vector<CatalogTable>& catalog, uint32_t tablePage,
                       const Column& column);

} // namespace jet
