#pragma once
// Values of calculated columns (ACE 2010 and later). The engine stores the
// result of the column's expression, usually wrapped in a small envelope,
// and presents it as the column's result type.

#include "jet/FieldValue.h"
#include "jet/TableDefinition.h"

namespace jet {

// Decodes a calculated column's stored bytes (after any long-value
// reassembly) as its result type. A value that cannot be decoded leaves
// that one cell NULL instead of failing the record: the other fields of the
// row, and the other rows, are still sound.
void DecodeCalculatedValue(const Column& column, ByteSpan stored, DecodeContext& context, FieldValue& out);

// The type the column's values are presented as: the ResultType property
// when the catalog gives one, else the descriptor's own type.
uint8_t CalculatedResultType(const Column& column);

} // namespace jet
