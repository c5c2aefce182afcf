#pragma once
// The records of one table in the forms for scripts (--format=jsonl,
// --portable), beside the locale-form CSV of Records.h.

#include "engine/Records.h"
#include "engine/TypedText.h"

// Whether the run writes its tables in one of these forms.
inline bool TypedFormat(const ConversionSettings& settings)
{
    return settings.Format == TableFormat::JsonLines || settings.Portable != 0;
}

// The header line: none for JSON Lines (each object names its values), the
// names in UTF-8 for portable CSV (when Header is set).
std::string TypedHeaderLine(const ConversionSettings& settings, const Fields& columns, const ColumnPlan& plan);

// Every record from the first, on the calling thread, with the progress and
// stop handling of the CSV records; counts go to `counts`.
RecordsWritten WriteTypedRecords(ProgressDisplay* window, ConversionSettings& settings, OutputFile& file,
                                 Recordset& records, const Fields& columns, const ColumnPlan& plan, int32_t total,
                                 AttachmentFolder* attachments, TypedTextCounts& counts);
