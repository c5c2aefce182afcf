#pragma once
// One table of the open database becomes one output file.

#include "engine/Settings.h"

#include <memory>
#include <string_view>

// The table named so (the first entry of that name, compared without regard
// to case), as DAO finds it.
void ExportTable(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName);
// Exactly this entry of the database's TableDefs: a damaged catalog may hold
// two names that differ in case only, and each is read from its own entry.
void ExportTable(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                 const std::shared_ptr<TableDef>& tableDef);
