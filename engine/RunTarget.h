#pragma once
// What a run's one target is told about the tables it receives: their
// structure as the export writes them.

#include "core/Database.h"
#include "core/Schema.h"
#include "engine/Settings.h"

#include <memory>
#include <vector>

// The table as its rows are exported: the reader's description (or, from a
// reader that has none, the columns and their types alone), cut to the
// columns ONLYFIELDS= keeps. An index or key over a column left out goes with it.
TableSchema ExportedSchema(const ConversionSettings& settings, const TableDef& table);

// The relationships between two of the tables whose columns are all kept.
std::vector<RelationshipSchema> RelationshipsAmong(const std::vector<TableSchema>& tables,
                                                   const std::vector<RelationshipSchema>& relationships);
