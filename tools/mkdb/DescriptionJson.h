#pragma once
// Database descriptions written as JSON:
//
// {
//   "format": "jet4",                           optional: jet3, jet4 or ace
//   "codePage": 1251,                           optional, Jet3 text (default 1252)
//   "password": "secret",                       optional
//   "creationDate": "2024-05-01 09:30:00",      optional (or a day number)
//   "encryption": {"scheme": "agile", "password": "secret", "keyBits": 256,
//                  "hash": "SHA512", "spinCount": 100000},   optional: an encrypted ACE file
//                  (schemes rc4, rc4-cryptoapi, standard, cryptoapi-aes, agile; also "provider"
//                  and "version")
//   "tables": [{
//     "name": "Orders",
//     "columns": [{"name": "ID", "type": "long", "autonumber": true},
//                 {"name": "Note", "type": "text", "size": 80},
//                 {"name": "Price", "type": "numeric", "precision": 10, "scale": 2},
//                 {"name": "Total", "type": "double", "calculated": "currency"}],   ace only
//     "rows": [[1, "first", "12.50", 3.5], [2, null, null, null]],
//     "deletedRows": [1], "overflowRows": [0], "inlineLongValueLimit": 64,
//     "generate": {"rows": 1000, "seed": 7,
//                  "columns": {"Note": {"nullRate": 0.1, "minLength": 5, "maxLength": 20}}}
//   }],
//   "links": [{"name": "People", "database": "C:\\data\\other.mdb", "foreignName": "Persons",
//              "connect": ";DATABASE=C:\\data\\other.mdb"},
//             {"name": "Sales", "foreignName": "dbo.Sales", "connect": "ODBC;DSN=x", "odbc": true}]
// }
//
// Column types use the names of the expected-result files (boolean, byte,
// integer, long, currency, float, double, datetime, binary, text, ole, memo,
// repid, numeric). Values: numbers, strings (dates as "YYYY-MM-DD HH:MM:SS",
// GUIDs in braces, binary and OLE as hex digits), true/false, null. A table
// has "rows" or "generate", not both. A calculated column's "type" is what
// its descriptor says and "calculated" the type of its results, which its
// values are given as.

#include "tools/mkdb/Json.h"
#include "tools/mkdb/MdbDescription.h"

#include <optional>

// rowsOverride/seedOverride replace every generated table's row count and seed.
MdbDescription DescriptionFromJson(const JsonValue& json, std::optional<std::uint64_t> rowsOverride = {},
                                   std::optional<std::uint64_t> seedOverride = {});

// One JSON value as a value for the given column.
CellValue CellFromJson(const ColumnSpec& column, const JsonValue& value);
