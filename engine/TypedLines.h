#pragma once
// Whole records in the forms for scripts: one JSON object per line (JSON
// Lines), or a portable CSV line (UTF-8, ISO dates, C-locale numbers,
// RFC 4180 quoting). Each writer is made for one table.

#include "engine/Records.h"
#include "engine/TypedText.h"

#include <string>
#include <vector>

// Such a writer with the counts behind its warnings.
class TypedLineWriter {
public:
    virtual ~TypedLineWriter() = default;
    // One record's bytes, its line end included, appended to out.
    virtual void Write(const Fields& values, int64_t row, std::string& out) = 0;
    const TypedTextCounts& Counts() const { return counts_; }

protected:
    TypedTextCounts counts_;
};

class JsonLineWriter : public TypedLineWriter {
public:
    // columns: the table's fields, for their names; attachments: where
    // attachment files go, or none (their data then goes into the line).
    JsonLineWriter(const Fields& columns, const ColumnPlan& plan, AttachmentFolder* attachments);
    // One record's object, keys in column order, and a line feed.
    void Write(const Fields& values, int64_t row, std::string& out) override;

private:
    const ColumnPlan& plan_;
    AttachmentFolder* attachments_;
    std::vector<std::string> keys_; // "{"NAME": or ,"NAME": per exported column
};

class PortableLineWriter : public TypedLineWriter {
public:
    // datesWithTime: per column of the table, whether its dates show their
    // time (see DateColumnsWithTimes).
    PortableLineWriter(const ConversionSettings& settings, const ColumnPlan& plan, std::vector<bool> datesWithTime,
                       AttachmentFolder* attachments);
    // The header line (empty when Header is 0): the names in UTF-8.
    std::string Header(const Fields& columns) const;
    void Write(const Fields& values, int64_t row, std::string& out) override;

private:
    const ConversionSettings& settings_;
    const ColumnPlan& plan_;
    std::vector<bool> datesWithTime_;
    AttachmentFolder* attachments_;
    bool quoteAlways_;
    std::string text_;
};

// For each column of the table, whether it is a date column that holds a
// time in any record: the portable form writes a date column's values as
// dates alone only when none of them has a time, so that a column never
// mixes the two forms. Reads the exported date columns of every record; the
// recordset is left at its end.
std::vector<bool> DateColumnsWithTimes(Recordset& records, const Fields& columns, const ColumnPlan& plan);
