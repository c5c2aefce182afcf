#pragma once
// The records of one table become lines of its file: on the calling thread,
// or read and formatted in parts on several threads and written in order.

#include "core/Database.h"
#include "engine/Cells.h"
#include "engine/EmptyCells.h"
#include "engine/OutputFile.h"
#include "engine/Settings.h"
#include "engine/TableForm.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the export needs of one column, read once per table: the records loop
// then costs no name conversion and no filter search per cell.
struct ColumnPlan {
    std::vector<std::string> Names;
    std::vector<CellClass> Classes;
    std::vector<int32_t> Exported; // indexes of the selected columns, ascending
    int32_t Count = 0;
};

struct RecordsWritten {
    int32_t Count = 0;
    bool Stopped = false;       // a stop request ended the table before its last record
    int64_t LeftEmpty = 0;      // values the reader could not decode, written empty
    int64_t Unreadable = 0;     // rows the reader passed over because they could not be read
    UnrenderedCells Unrendered; // values without a text, written empty
};

// One record's line: its exported cells and the record delimiter. row: the
// record's number (from 1) for the cells that have no text.
inline void WriteRecord(TableCellWriter& cells, OutputFile& file, const Fields& values, const ColumnPlan& plan,
                        std::string_view fieldDelimiter, std::string_view recordDelimiter, UnrenderedCells& unrendered,
                        int64_t row) {
    cells.StartRecord(row);
    bool first = true;
    for (int32_t i : plan.Exported) {
        if (!first)
            file.Write(fieldDelimiter);
        first = false;
        const int32_t code = cells.Write(file, values.Item(i), plan.Classes[static_cast<std::size_t>(i)]);
        if (code != HResult::Ok)
            unrendered.Note(i, row, code);
    }
    if (!recordDelimiter.empty())
        file.Write(recordDelimiter);
    file.EndRecord();
}

// How many threads a table of `blocks` blocks is read on; 1: not in parts.
int32_t ThreadsFor(const ConversionSettings& settings, int32_t blocks);

// Writes every record from the first, read in `threads` parts, to the file
// in the table's own order: the same bytes as one thread writes. An error
// of any part is raised here once the records before it are written.
// Nothing (and nothing written) when the parts cannot be taken: opening a
// part reads its first record, and a damaged one must fail the table where
// one thread would meet it, after the records before it.
// writers: one per thread, as many as threads are to run. A display is told
// of every record once its block is written, from this (the writing) thread.
std::optional<RecordsWritten> WriteRecordsInParts(ProgressDisplay* window, ConversionSettings& settings,
                                                  OutputFile& file, Recordset& records,
                                                  const std::vector<RecordWriter*>& writers, int32_t total);
