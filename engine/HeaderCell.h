#pragma once
// A field name as the header line writes it.

#include "engine/Settings.h"

#include <string>
#include <string_view>

// The name unchanged, unless it holds the field delimiter, a double quote,
// CR or LF: it is then enclosed in double quotes with its quotes escaped as
// in a text cell, so the header keeps one column per field.
std::string HeaderCell(const ConversionSettings& settings, std::string_view name);
