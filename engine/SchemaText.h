#pragma once
// Table definitions as SQL statements another database system can run to
// make tables that hold the converted rows.

#include "core/Schema.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class SqlDialect { Sqlite, Postgres, MySql };

// "sqlite", "postgres" (or "postgresql"), "mysql" (or "mariadb"), in any case.
std::optional<SqlDialect> ParseSqlDialect(std::string_view name);

// The column type a dialect stores a field of this kind in.
std::string SqlType(SqlDialect dialect, const ColumnSchema& column);

// The statements, UTF-8: each table with its columns and primary key, then
// the other indexes, then the relationships whose two tables are both among
// `tables` (SQLite, which cannot add them later, keeps them in the table).
// Relationships the database does not enforce are listed as comments only.
std::string SchemaText(SqlDialect dialect, const std::vector<TableSchema>& tables,
                       const std::vector<RelationshipSchema>& relationships);

// A name as the dialect quotes it (always quoted, the quote doubled inside).
std::string QuotedName(SqlDialect dialect, std::u16string_view name);

// One table's CREATE TABLE and CREATE INDEX statements. SQLite's foreign
// keys go inside the table, for the relationships from it to a table that
// `referable` accepts; the other dialects add theirs afterwards.
std::string TableStatements(SqlDialect dialect, const TableSchema& table,
                            const std::vector<RelationshipSchema>& relationships,
                            const std::function<bool(std::u16string_view)>& referable);

// The statements that add the foreign keys between tables `selected`
// accepts (none for SQLite), and a comment for each relationship the
// database does not enforce.
std::string ForeignKeyStatements(SqlDialect dialect, const std::vector<RelationshipSchema>& relationships,
                                 const std::function<bool(std::u16string_view)>& selected);
