#pragma once
// The form a run writes its tables in (CSV, JSON Lines, ...). The export
// reads the records, keeps them in order across threads, follows the stop
// flag and reports progress; a form only turns typed values into bytes.
//
// A form is made once per run (FormFor). For each table it makes a
// TableOutput, which gives the header and one RecordWriter per thread that
// formats records. Writers receive the typed values (Field::Value(), the
// field's Type()), never a text made for another form.

#include "core/Database.h"
#include "core/Schema.h"
#include "engine/EmptyCells.h"
#include "engine/OutputFile.h"
#include "engine/Settings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ColumnPlan;
class AttachmentFolder;

// Formats whole records of one table. One per thread, used by that thread
// only: a writer may keep scratch room between records.
class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    // One record's bytes, its record end included. row: the record's number
    // (from 1) in the stretch the writer is given; cells that have no text
    // are noted in `unrendered` and written empty.
    virtual void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells& unrendered) = 0;
};

// One table in a form: made when the table begins, dropped when it is over.
class TableOutput {
public:
    virtual ~TableOutput() = default;
    // The bytes before the first record (a header line), empty for none.
    // Asked before the records are opened: a table whose records cannot be
    // read still gets its header.
    virtual std::string Header() = 0;
    // Called once the records are open, before any writer is asked for: a
    // form that must look over the values first (the portable form's date
    // columns) does so here. The recordset may be left anywhere.
    virtual void Prepare(Recordset&) {}
    // A writer owned by this table output. attachments: where attachment
    // files go (their names need the record's number in the whole table, so
    // a writer given a folder is only used on one thread), or none.
    virtual RecordWriter& NewWriter(AttachmentFolder* attachments) = 0;
    // After the records: what the user should hear about values the form
    // could not write faithfully ("" for nothing), counted over every writer.
    virtual std::string Warning() const { return {}; }
    // The bytes after the last record, written only when every record was
    // (never after a stop or a read error): a form whose records share a
    // statement or transaction closes it here.
    virtual std::string Footer() { return {}; }
    // Whether the records may be formatted on several threads, each writer
    // given a stretch of them; false when a record's bytes depend on the
    // records before it, and one writer sees them all in order.
    virtual bool InParts() const { return true; }
};

// The whole run written into one target (a database file, one script)
// instead of a file per table. The run makes it before the first database
// and drives it; the export asks it where each table's bytes go.
//
//   Begin(tables of the database, relationships)   once per database
//     Sink(table) ... EndTable(complete)           per table, in order
//   End()                                          after the database's last table
//   Finish(keep)                                   once, after every database
//
// A false answer carries the reason in `error`: Begin's fails the database
// (no table of it is written), EndTable's the table, Finish's the run.
class RunOutput {
public:
    virtual ~RunOutput() = default;
    // What the user is told the tables were written to (a path).
    virtual std::string Name() const = 0;
    // The tables about to be written from the open database, in order, with
    // the exported columns only (keys and indexes over a column left out
    // are dropped), and the relationships whose two tables are both among
    // them.
    virtual bool Begin(const std::vector<TableSchema>& tables, const std::vector<RelationshipSchema>& relationships,
                       std::string& error) = 0;
    // Where the table's header, records and footer go. The sink stays the
    // target's: the export writes and ends records in it, never closes it.
    virtual OutputFile& Sink(std::string_view tableName) = 0;
    // The table is over. complete: every record and the footer were written;
    // otherwise it failed or was stopped part-way.
    virtual bool EndTable(bool complete, std::string& error) = 0;
    // After the last table of the database (foreign keys that refer forward).
    virtual bool End(std::string& error) = 0;
    // After the run. keep: the run ended without a stop or a failure, and
    // the target takes the place of what its path held; otherwise what was
    // there stays as it was and the new target goes.
    virtual bool Finish(bool keep, std::string& error) = 0;
};

class OutputForm {
public:
    virtual ~OutputForm() = default;
    // The extension of a table's own file, with its dot; --extension wins.
    virtual std::string Extension() const = 0;
    // Whether an output path ending so names one file rather than a folder
    // (beyond the extension the run uses and .csv/.txt, always taken so).
    virtual bool NamesFile(std::string_view path) const;
    // table: its name and definition; its columns are table.GetFields().
    virtual std::unique_ptr<TableOutput> StartTable(const ConversionSettings& settings, const TableDef& table,
                                                    const ColumnPlan& plan) = 0;
    // A form writing the run into one target makes it here, before any
    // database is opened; a form of a file per table (or of one target only
    // for some outputs, and not this one) answers null. Null with `error`
    // set: the target cannot be made and the run converts nothing.
    virtual std::unique_ptr<RunOutput> StartRun(const ConversionSettings& settings, std::string& error);
};

// The form the settings ask for (Format, Portable).
std::unique_ptr<OutputForm> FormFor(const ConversionSettings& settings);

// The registered forms, as --format= names them.
struct FormEntry {
    const char* Name; // for --format= (compared without case)
    TableFormat Format;
};
const std::vector<FormEntry>& RegisteredForms();
