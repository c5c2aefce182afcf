#pragma once
// One table of the open database becomes one output file.

#include "engine/Settings.h"

#include <string_view>

void ExportTable(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName);
