#pragma once
// Numbers as the C locale writes them, whatever the user's locale: a full
// stop before the fraction, no grouping, and every digit the value holds,
// so that a script reads back exactly the stored number.

#include "core/Variant.h"

#include <cstdint>
#include <string>

// The shortest text that reads back as the same double (or, for AppendSingle,
// the same float); false (nothing appended) for NaN and the infinities,
// which have no such text.
bool AppendDouble(double value, std::string& out);
bool AppendSingle(float value, std::string& out);
void AppendInteger(int64_t value, std::string& out);
// Currency: the 64-bit count of ten-thousandths, without trailing zeros of
// the fraction (12.5, not 12.5000).
void AppendCurrency(int64_t tenThousandths, std::string& out);
// Decimal: every digit of its scale, as stored (12.50 at scale 2).
void AppendDecimal(const DecimalValue& value, std::string& out);
