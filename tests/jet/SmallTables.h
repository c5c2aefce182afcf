#pragma once
// The table definitions the record tests build their records against.

#include "jet/TableDefinition.h"

namespace jettest {

// A fixed Long (column 0) and two texts (1 and 2); with `flag`, a Yes/No (3)
// after them.
inline jet::TableDefinition LongAndTwoTexts(bool flag = false) {
    jet::TableDefinition table;
    table.MaxColumns = flag ? 4 : 3;
    table.VariableColumns = 2;
    jet::Column id;
    id.Type = jet::ColumnType::Long;
    id.Flags = 0x03;
    id.Length = 4;
    jet::Column a;
    a.Type = jet::ColumnType::Text;
    a.Number = 1;
    a.VariableIndex = 0;
    jet::Column b = a;
    b.Number = 2;
    b.VariableIndex = 1;
    table.Columns = {id, a, b};
    if (flag) {
        jet::Column yesNo;
        yesNo.Type = jet::ColumnType::Boolean;
        yesNo.Number = 3;
        yesNo.Flags = 0x03;
        table.Columns.push_back(yesNo);
    }
    return table;
}

} // namespace jettest
