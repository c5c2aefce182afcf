#pragma once
// The conversion run over the chosen tables, and over every matching file.

#include "engine/Conversion.h"
#include "engine/Settings.h"

#include <cstdint>

void ConvertTables(ProgressDisplay* window, ConversionSettings& settings);
// Body of the wizard's worker thread: the wizard road of RunConversion between
// disabling the wizard's buttons and pressing Next. The outcome, when asked
// for, is stored before Next is pressed, so the completion page can read it.
int ConversionThread(ConversionSettings& settings, ConversionOutcome* outcome = nullptr);
// The program's form: no result.
void ConvertMatchingFiles(ConversionSettings& settings);
// The library's form: 0, or 3 when a matching file failed to load.
int32_t ConvertMatchingFilesLibrary(ConversionSettings& settings);
