#pragma once
// Values a table's file holds as empty cells because they could not be
// written: the reader could not decode them, or they have no text (a date
// outside 1/1/100 to 12/31/9999). The table goes on either way; the user is
// told once per table, with the first such cell.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UnrenderedCells {
    int64_t Count = 0;
    // The first of them in the table's order: its column's index, its row
    // (from 1, as written) and the conversion's result code.
    int32_t FirstColumn = -1;
    int64_t FirstRow = 0;
    int32_t FirstCode = 0;

    void Note(int32_t column, int64_t row, int32_t code) {
        if (Count++ == 0) {
            FirstColumn = column;
            FirstRow = row;
            FirstCode = code;
        }
    }
    // Takes in the cells of rows that follow these, numbered from 1 on
    // their own: their rows are `rowsBefore` further on in the table.
    void Append(const UnrenderedCells& later, int64_t rowsBefore) {
        if (later.Count == 0)
            return;
        if (Count == 0) {
            FirstColumn = later.FirstColumn;
            FirstRow = later.FirstRow + rowsBefore;
            FirstCode = later.FirstCode;
        }
        Count += later.Count;
    }
};

// The warning's text after "table NAME: ", or empty when no value was left
// empty. undecoded: values the reader could not decode; names: the columns'.
std::string EmptyCellsWarning(int64_t undecoded, const UnrenderedCells& unrendered,
                              const std::vector<std::string>& names);
