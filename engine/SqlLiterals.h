#pragma once
// A field's value as a literal of an SQL dialect, for INSERT statements a
// database loads as they stand: NULL kept apart from the empty text, texts
// quoted with the quote doubled (and, for MySQL, its backslash escapes),
// binary data as the dialect's hex literal, exact currency and decimals,
// doubles in their shortest round-trip form, dates in ISO form.

#include "core/Database.h"
#include "engine/SchemaText.h"
#include "engine/TypedText.h"

#include <string>
#include <string_view>

// A UTF-8 text as a quoted string literal of the dialect.
void AppendSqlString(SqlDialect dialect, std::string_view text, std::string& out);

// The field's value as a literal. A value that has no faithful literal (NaN,
// a date outside the years 100 to 9999) is NULL and counted.
void AppendSqlLiteral(SqlDialect dialect, const Field& field, const AttachmentTarget& attachments, std::string& out,
                      TypedTextCounts& counts);
