#pragma once
// Property blobs (the catalog's LvProp): the stored properties of a table
// and its columns. The reader needs one: the real result type of a
// calculated column, which its descriptor does not reliably give.

#include "jet/Bytes.h"

#include <optional>
#include <string_view>

namespace jet {

// The ResultType property of the named column, or 0 when the blob has none.
// A malformed blob yields 0 too: the property only refines a type.
uint8_t ResultTypeOf(ByteSpan blob, std::u16string_view column, bool jet3);

// A property as stored: its data type (a column type code) and value bytes,
// which point into the blob.
struct StoredProperty {
    uint8_t Type = 0;
    ByteSpan Value;
};

// The named property of the named column (names match without regard to
// case); none when the blob lacks it or is malformed.
std::optional<StoredProperty> ColumnProperty(ByteSpan blob, std::u16string_view column, std::u16string_view name,
                                             bool jet3);

} // namespace jet
