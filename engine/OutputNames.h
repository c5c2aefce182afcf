#pragma once
// Which file each table of a run is written to. Any table name gives a file
// name (what the system cannot hold becomes '_'), and two tables of one run
// never share one file: a later table whose file is another's takes
// NAME~2, NAME~3 and so on. The same table of several databases keeps its
// one file, to which a pattern run appends it.

#include "engine/Settings.h"

#include <string>
#include <string_view>

// The file name of the table's file before any "~N": the table's name
// ("_" for ".", ".." and an empty one) with the extension, made valid for
// this system.
std::string TableFileName(std::string_view tableName, std::string_view extension);

// The table's file in the folder `folder` (OutputPath in directory mode),
// claimed for it in this run. A name other than the table's own adds a note
// to settings.Notes.
std::string ClaimTableFile(ConversionSettings& settings, const std::string& folder, std::string_view tableName);

// The named output file of file mode, claimed for the table that goes to it.
void ClaimNamedFile(ConversionSettings& settings, const std::string& path, std::string_view tableName);

// The file this run gave the table in the folder, or the one it would give
// it now: what the wizard opens after the run.
std::string TableFileIn(const ConversionSettings& settings, const std::string& folder, std::string_view tableName);
