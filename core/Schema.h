#pragma once
// The structure of a database beyond its values: what a table's columns
// hold, which of them key the table, how they are indexed and how tables
// refer to each other. A reader that cannot tell gives none of it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ColumnSchema {
    std::u16string Name;
    int16_t Type = 0;      // DaoType code
    int32_t Size = 0;      // text: characters; binary: bytes; 0 for unbounded kinds
    uint8_t Precision = 0; // decimal only
    uint8_t Scale = 0;
    bool Required = false;
    bool AutoNumber = false;
    // The default as the database's author wrote it (an expression of the
    // database's own language); absent when none is set.
    std::optional<std::u16string> Default;
};

struct IndexColumn {
    std::u16string Name;
    bool Descending = false;
};

struct IndexSchema {
    std::u16string Name;
    std::vector<IndexColumn> Columns;
    bool Unique = false;
    bool Primary = false;
};

struct TableSchema {
    std::u16string Name;
    std::vector<ColumnSchema> Columns;
    // Indexes a user made or the primary key; those the database keeps only
    // to back a relationship are left out, the relationship says it.
    std::vector<IndexSchema> Indexes;
};

// Table's Columns refer to ReferencedTable's ReferencedColumns, pair by pair.
struct RelationshipSchema {
    std::u16string Name;
    std::u16string Table;
    std::vector<std::u16string> Columns;
    std::u16string ReferencedTable;
    std::vector<std::u16string> ReferencedColumns;
    bool Enforced = true;
    bool CascadeUpdate = false;
    bool CascadeDelete = false;
};
