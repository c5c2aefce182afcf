#pragma once
// One field's value in the forms meant for scripts and data tools, the same
// in every locale: as a JSON value, or as the text of a portable CSV cell
// (UTF-8, ISO 8601 dates, C-locale numbers, true and false).

#include "core/Database.h"
#include "engine/AttachmentFolder.h"
#include "engine/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

// What had no faithful text, for the warnings after a table.
struct TypedTextCounts {
    int64_t NotFinite = 0;          // NaN and infinities, written as null or empty
    int64_t CharactersReplaced = 0; // lone surrogates written as U+FFFD
    int64_t NoText = 0;             // dates outside the years 100 to 9999, written as null or empty
};

// A warning for what had no faithful text, or empty.
std::string TypedTextWarning(const TypedTextCounts& counts);

// Where attachment files go and which record they belong to; no folder:
// a JSON value carries the files' data itself, a CSV cell their names.
struct AttachmentTarget {
    AttachmentFolder* Folder = nullptr;
    int64_t Row = 0;
};

// The field's value as JSON: null, true/false, a number written exactly,
// an ISO date string, a string, base64 for binary data, an array for
// multi-value and attachment fields.
void AppendJsonValue(const Field& field, const AttachmentTarget& attachments, std::string& out,
                     TypedTextCounts& counts);

// The text of the field's portable cell; false for NULL (an empty cell, as
// for a value with no text). withTime: whether a date shows its time.
bool AppendPortableText(const Field& field, bool withTime, BinaryForm binary, const AttachmentTarget& attachments,
                        std::string& out, TypedTextCounts& counts);

// A field of a CSV line as RFC 4180 writes it: enclosed in double quotes,
// its own doubled, when it holds the delimiter, a quote, CR or LF, or when
// quoteAlways; as it is otherwise.
void AppendCsvField(std::string_view text, std::string_view delimiter, bool quoteAlways, std::string& out);
// Whether the text needs the quotes even when they are not asked for.
bool CsvFieldNeedsQuotes(std::string_view text, std::string_view delimiter);
