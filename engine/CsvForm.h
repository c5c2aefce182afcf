#pragma once
// The delimited text of the locale's conventions and the user's delimiters:
// the form every run writes unless asked for another.

#include "engine/TableForm.h"

std::unique_ptr<OutputForm> MakeCsvForm();

// The header line as it is written, empty when none is.
std::string CsvHeaderLine(const ConversionSettings& settings, const ColumnPlan& plan);
