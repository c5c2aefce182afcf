#pragma once
// The statements that make the tables a run would convert, for the program
// (printed) and the library (written to the output).

#include "engine/SchemaText.h"
#include "engine/Settings.h"

#include <memory>
#include <string>
#include <vector>

// A table of the open database that TableList names, with its name as the
// run writes it.
struct ChosenTable {
    std::string Name;
    std::shared_ptr<TableDef> Def;
};

// The chosen tables in the database's own order (the order a run walks).
// Throws EngineError when the catalog cannot be read.
std::vector<ChosenTable> ChosenTables(const ConversionSettings& settings);

// The statements for the tables of the open database that TableList names
// (those a conversion with the same options writes). False when they cannot
// be had: `where` is the database, or the database and the table, and
// `reason` why.
bool ChosenTablesSchema(ConversionSettings& settings, SqlDialect dialect, std::string& out, std::string& where,
                        std::string& reason);

// The library's --schema=DIALECT: the statements for the open database go
// to the output, a file named *.sql or DATABASE.schema.sql in the output
// folder, replaced only once complete. Returns 0, or 3 (the tables cannot
// be described), or 4 (the file), as the library's results do.
int32_t WriteSchemaFile(ConversionSettings& settings, SqlDialect dialect);
