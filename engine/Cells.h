#pragma once
// One field value of one record becomes the text of its cell.

#include "engine/OutputFile.h"
#include "engine/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class CellClass { Number, Verbatim, Text };

CellClass CellClassOf(int16_t typeCode);

// Fills text with the value's narrow text; throws EngineError when the value
// cannot be converted.
void ValueToText(const Variant& value, std::string& text);
void ReplaceLineBreaks(std::string& text);
void ReplaceCommas(std::string& text, std::string_view replacement);
void WriteEscaped(const ConversionSettings& settings, OutputFile& file, std::string_view text, char marker);
// Whether a cell whose written text is `written` is enclosed in double quotes.
bool QuotesCell(const ConversionSettings& settings, CellClass cellClass, std::string_view written);
// The whole procedure for one cell; writes nothing before or after it.
void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode);
