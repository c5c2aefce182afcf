#pragma once
// Turning a column's stored bytes into the value a field hands out.

#include "jet/FieldValue.h"
#include "jet/RecordLayout.h"

#include <string>
#include <vector>

namespace jet {

// Decodes every kind of column but complex ones, whose items the recordset
// looks up. Raises on bytes that do not fit the column's type.
void DecodeValue(const Column& column, const ColumnBytes& located, DecodeContext& context, FieldValue& out);

// The first half of DecodeValue for a plain (not calculated) text or memo
// value: its stored bytes, a memo's read into `memo`, checked without
// widening them. Raises what DecodeValue raises for them. False for every
// other value, which DecodeValue must decode whole.
bool LocateStoredText(const Column& column, const ColumnBytes& located, DecodeContext& context,
                      std::vector<uint8_t>& memo, ByteSpan& stored);
// The second half: the text of the bytes LocateStoredText found.
void DecodeStoredText(const Column& column, ByteSpan stored, const DecodeContext& context, FieldValue& out);

// DAO reports Date/Time Extended fields with this code; it lies outside the
// number and date classes, so the values are written as the text we give them.
constexpr int16_t kDaoDateTimeExtended = 26;

// The DAO type code a column reports (complex columns excepted).
int16_t DaoTypeOf(const Column& column);

} // namespace jet
