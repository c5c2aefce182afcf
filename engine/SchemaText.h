#pragma once
// Table definitions as SQL statements another database system can run to
// make tables that hold the converted rows.

#include "core/Schema.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class SqlDialect { Sqlite, Postgres, MySql };

// "sqlite", "postgres" (or "postgresql"), "mysql" (or "mariadb"), in any case.
std::optional<SqlDialect> ParseSqlDialect(std::string_view name);

// A table's or column's name as the dialect's statements write it.
std::string QuotedSqlName(SqlDialect dialect, std::u16string_view name);

// The column type a dialect stores a field of this kind in.
std::string SqlType(SqlDialect dialect, const ColumnSchema& column);

// The statements, UTF-8: each table with its columns and primary key, then
// the other indexes, then the relationships whose two tables are both among
// `tables` (SQLite, which cannot add them later, keeps them in the table).
// Relationships the database does not enforce are listed as comments only.
std::string SchemaText(SqlDialect dialect, const std::vector<TableSchema>& tables,
                       const std::vector<RelationshipSchema>& relationships);
