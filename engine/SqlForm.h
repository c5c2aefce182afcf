#pragma once
// The data as SQL statements a database loads as they stand
// (--format=sql:sqlite, sql:postgres, sql:mysql): a table's CREATE TABLE
// and its indexes (unless --data-only), then its rows as INSERT statements
// of many rows each, the rows in one transaction.

#include "engine/SchemaText.h"
#include "engine/TableForm.h"

std::unique_ptr<OutputForm> MakeSqlForm(SqlDialect dialect);

// The columns of a table whose reader cannot describe it, from its fields:
// their names and types, nothing of keys or sizes.
TableSchema SchemaFromFields(std::u16string_view name, const Fields& columns);
