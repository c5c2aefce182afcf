#pragma once
// The conversion run over the chosen tables, and over every matching file.

#include "engine/Settings.h"

#include <cstdint>

void ConvertTables(ProgressDisplay* window, ConversionSettings& settings);
// The program's form: no result.
void ConvertMatchingFiles(ConversionSettings& settings);
// The library's form: 0, or 3 when a matching file failed to load.
int32_t ConvertMatchingFilesLibrary(ConversionSettings& settings);
