#include "engine/Export.h"

#include "engine/Cells.h"
#include "engine/OutputFile.h"
#include "engine/OutputNames.h"
#include "engine/Records.h"
#include "engine/Report.h"
#include "engine/TableForm.h"
#include "platform/Platform.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kCurrentFileTextCapacity = 519;

bool Selected(const ConversionSettings& settings, const std::string& name) {
    if (!settings.OnlyFields)
        return true;
    return settings.OnlyFields->find(UpperAscii(";" + name + ";")) != std::string::npos;
}

ColumnPlan PlanColumns(const ConversionSettings& settings, const Fields& columns) {
    ColumnPlan plan;
    plan.Count = columns.Count();
    for (int32_t i = 0; i < plan.Count; ++i) {
        const Field& column = columns.Item(i);
        std::string name = platform::WideToAnsi(column.Name());
        plan.Classes.push_back(CellClassOf(column.Type()));
        if (Selected(settings, name))
            plan.Exported.push_back(i);
        plan.Names.push_back(std::move(name));
    }
    return plan;
}

// Every path ends in an empty extension; taking that for a file name would
// write every table onto the output folder itself.
bool NamesFile(const ConversionSettings& settings, const OutputForm& form, const std::string& path) {
    return EndsWithNoCase(path, ".csv") || EndsWithNoCase(path, ".txt") || form.NamesFile(path) ||
           (settings.Extension && !settings.Extension->empty() && EndsWithNoCase(path, *settings.Extension));
}

// Works out the table's file and, in file mode, moves OutputPath back to its
// folder so later tables land beside the named file. A table's own file is
// named after it, with what a file name cannot hold (a separator, which
// would reach into other folders) replaced, and never another table's.
std::string OutputPathFor(ConversionSettings& settings, const OutputForm& form, std::string_view tableName) {
    std::string path = settings.OutputPath.str();
    if (NamesFile(settings, form, path)) {
        std::size_t cut = path.rfind(platform::PathSeparator);
        if (cut != std::string::npos)
            settings.OutputPath = std::string_view(path).substr(0, cut);
        settings.OutputFileName = path;
        ClaimNamedFile(settings, path, tableName);
        return path;
    }
    return ClaimTableFile(settings, path, tableName);
}

bool WrittenThisRun(const ConversionSettings& settings, const std::string& path) {
    return std::find(settings.FilesWritten.begin(), settings.FilesWritten.end(), path) != settings.FilesWritten.end();
}

void ReportUnopenedFile(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                        std::string reason) {
    RecordFailure(settings, tableName, std::move(reason));
    WriteStatus("Failed", settings);
    if (settings.Log)
        WriteLog("Varnex", "Cannot create output file.");
    else
        platform::ShowMessageBox(window ? window->Handle() : nullptr, "Unable to open the output file",
                                 platform::MessageIconError);
    settings.TablesFailed += 1;
}

RecordsWritten WriteRecords(ProgressDisplay* window, ConversionSettings& settings, OutputFile& file, Recordset& records,
                            TableOutput& table, int32_t total, AttachmentFolder* attachments) {
    if (settings.ExportRecords == 0 || total == 0)
        return {0, false, records.ValuesLeftEmpty(), settings.ExportRecords == 0 ? 0 : records.RowsUnreadable(), {}};
    table.Prepare(records);
    // Attachment files are named by the record's number in the table, so a
    // table with them stays on one thread, as does a format that writes its
    // table whole.
    if (!attachments && table.InParts()) {
        const int32_t threads = ThreadsFor(settings, records.BlockCount());
        if (threads > 1) {
            // Every thread's writer is made here, before any thread starts.
            std::vector<RecordWriter*> writers;
            for (int32_t k = 0; k < threads; ++k)
                writers.push_back(&table.NewWriter(nullptr));
            if (std::optional<RecordsWritten> inParts =
                    WriteRecordsInParts(window, settings, file, records, writers, total))
                return *inParts;
        }
    }
    RecordWriter& writer = table.NewWriter(attachments);
    records.MoveFirst();
    if (window)
        window->ProgressStartTable(total);
    int32_t written = 0;
    UnrenderedCells unrendered;
    while (!settings.StopRequested.load(std::memory_order_relaxed) && !records.Eof() && !file.Failed()) {
        writer.Write(records.GetFields(), int64_t{written} + 1, file, unrendered);
        settings.RecordsDone += 1;
        records.MoveNext();
        written += 1;
        if (window)
            window->ProgressRecords(written);
    }
    return {written, !records.Eof(), records.ValuesLeftEmpty(), records.RowsUnreadable(), unrendered};
}

// A replacing export writes beside the old file and takes its place only when
// the table is complete: a run that fails or is stopped part-way leaves the
// previous good file as it was. Whatever ends the export early (an engine
// error included) removes the unfinished file.
class Replacement {
public:
    explicit Replacement(std::string target) : target_(std::move(target)), temp_(target_ + ".incomplete") {
        platform::RemoveFile(temp_);
    }
    ~Replacement() {
        if (!done_)
            platform::RemoveFile(temp_);
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    const std::string& Path() const { return temp_; }
    bool Commit() {
        done_ = platform::MoveFileOver(temp_, target_);
        return done_;
    }

private:
    std::string target_;
    std::string temp_;
    bool done_ = false;
};

void AddTableWarning(ConversionSettings& settings, std::string_view tableName, const std::string& text) {
    if (!text.empty())
        settings.Warnings.push_back(settings.SourcePath.str() + ": table " + std::string(tableName) + ": " + text);
}

// Values written empty rather than losing the whole record, and what the
// format itself had to leave out: the user hears of both.
void AddWrittenWarnings(ConversionSettings& settings, std::string_view tableName, const RecordsWritten& written,
                        const ColumnPlan& plan, const TableOutput& table) {
    AddTableWarning(settings, tableName, EmptyCellsWarning(written.LeftEmpty, written.Unrendered, plan.Names));
    AddTableWarning(settings, tableName, table.Warning());
}

// A table that is not converted: the status file, the error report and the
// run's count all hear of it.
void FailTable(ConversionSettings& settings, std::string_view tableName, std::string reason) {
    WriteStatus("Failed", settings);
    RecordFailure(settings, tableName, std::move(reason));
    settings.TablesFailed += 1;
}

// What can still fail a table whose records were all written: files its
// cells name that could not be written, and rows the reader had to pass over
// (a damaged page or record; the rows read are kept, but the table is not
// reported converted). A stored count above the rows present is only stale,
// and no failure.
void FailIfIncomplete(ConversionSettings& settings, std::string_view tableName,
                      const std::optional<AttachmentFolder>& attachments, const RecordsWritten& written) {
    if (attachments && attachments->FilesFailed() > 0)
        FailTable(settings, tableName,
                  std::to_string(attachments->FilesFailed()) + " attached file(s) could not be written, the first " +
                      attachments->FirstFailure());
    else if (written.Unreadable > 0)
        FailTable(settings, tableName,
                  written.Unreadable == 1
                      ? std::string("1 row could not be read; the database may be damaged")
                      : std::to_string(written.Unreadable) + " rows could not be read; the database may be damaged");
}

// The table's records, or none when the database cannot give them: the user
// is shown the engine's error and the run goes on with the next table. A
// file given is closed first, so the header it holds is on disk by then.
std::unique_ptr<Recordset> OpenRecords(ProgressDisplay* window, ConversionSettings& settings,
                                       std::string_view tableName, const TableDef& tableDef, OutputFile* file) {
    try {
        std::unique_ptr<Recordset> records = settings.CurrentDatabase->OpenRecordsetOf(tableDef);
        if (!records)
            throw EngineError(HResult::Pointer);
        return records;
    } catch (const EngineError& error) {
        if (file)
            file->Close();
        ReportComError(window ? window->Handle() : nullptr, error);
        RecordFailure(settings, tableName, DescribeError(error));
        settings.TablesFailed += 1;
        return nullptr;
    }
}

// Every record into sink, the attachments of each into the folder the run
// names (made here, as the caller still needs its count of failures).
RecordsWritten WriteTableRecords(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                                 OutputFile& sink, Recordset& records, TableOutput& table,
                                 std::optional<AttachmentFolder>& attachments) {
    const int32_t total = records.RecordCount();
    if (settings.AttachmentsFolder)
        attachments.emplace(*settings.AttachmentsFolder, tableName);
    return WriteRecords(window, settings, sink, records, table, total, attachments ? &*attachments : nullptr);
}

void ShowCurrentFile(ProgressDisplay* window, std::string_view tableName, std::string_view destination) {
    if (!window)
        return;
    std::string text;
    text.append(tableName).append(" -> ").append(destination);
    if (text.size() > kCurrentFileTextCapacity)
        text.resize(kCurrentFileTextCapacity);
    window->SetCurrentFileText(text);
}

// A table into the run's one target: no file of its own, and nothing to
// replace or cut back; the target keeps or drops what it was given.
void ExportIntoTarget(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                      const TableDef& tableDef, const ColumnPlan& plan, OutputForm& form) {
    RunOutput& target = *settings.Target;
    // Whatever ends the table early (an engine error included) tells the
    // target it is incomplete.
    struct Ending {
        RunOutput& Target;
        bool Done = false;
        ~Ending() {
            std::string ignored;
            if (!Done)
                Target.EndTable(false, ignored);
        }
    } ending{target};
    ShowCurrentFile(window, tableName, target.Name());
    OutputFile& sink = target.Sink(tableName);
    const std::unique_ptr<TableOutput> table = form.StartTable(settings, tableDef, plan);
    sink.Write(table->Header());
    sink.EndRecord();

    const std::unique_ptr<Recordset> records = OpenRecords(window, settings, tableName, tableDef, nullptr);
    if (!records)
        return;
    std::optional<AttachmentFolder> attachments;
    const RecordsWritten written = WriteTableRecords(window, settings, tableName, sink, *records, *table, attachments);
    records->Close();
    const bool complete = !written.Stopped && !sink.Failed();
    if (complete) {
        sink.Write(table->Footer());
        sink.EndRecord();
    }
    AddWrittenWarnings(settings, tableName, written, plan, *table);
    std::string error;
    ending.Done = true;
    if (!target.EndTable(complete && !sink.Failed(), error)) {
        FailTable(settings, tableName, target.Name() + ": " + error);
        return;
    }
    if (!written.Stopped)
        FailIfIncomplete(settings, tableName, attachments, written);
}

// Where a table with an output of its own goes, worked out before anything
// is written: its file (or standard output), whether this run already wrote
// the table's header there, and how to undo the table if it is stopped.
struct TablePlace {
    TablePlace(ConversionSettings& settings, const OutputForm& form, std::string_view tableName)
        // On standard output a table's header is written once per run, as it
        // is in the file a pattern run appends the same table of every
        // database to.
        : ToStream(settings.StandardOutput != nullptr),
          Path(ToStream ? std::string("standard output") : OutputPathFor(settings, form, tableName)),
          HeaderKey(ToStream ? "-/" + std::string(tableName) : Path),
          AppendToOwnOutput(ToStream ? settings.HeadersWritten.count(HeaderKey) != 0 : WrittenThisRun(settings, Path)) {
        if (settings.OverWrite != 0 && !AppendToOwnOutput && !ToStream)
            Replaced.emplace(Path);
        // A stop while appending to a file that was there before takes this
        // table's bytes back out: a part-table in the middle of a file reads
        // as if it were whole.
        if (!Replaced && !ToStream) {
            std::error_code missing;
            const std::uintmax_t length = std::filesystem::file_size(Path, missing);
            if (!missing)
                LengthBefore = length;
        }
    }

    const bool ToStream;
    const std::string Path;
    const std::string HeaderKey;
    const bool AppendToOwnOutput;
    std::optional<Replacement> Replaced;
    std::optional<std::uintmax_t> LengthBefore;
};

bool OpenTableFile(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                   const TablePlace& place, OutputFile& file) {
    if (place.ToStream) {
        file.OpenStandardOutput(settings.StandardOutput, settings.Records.str());
    } else if (!file.OpenAppend(place.Replaced ? place.Replaced->Path() : place.Path)) {
        ReportUnopenedFile(window, settings, tableName, "cannot create the output file " + place.Path);
        return false;
    }
    if (!place.AppendToOwnOutput && !place.Replaced && !place.ToStream)
        settings.FilesWritten.push_back(place.Path);
    return true;
}

// A table appended to a file this run already wrote with the same header
// (the same table of several databases) continues the file under its one
// header line. Returns the header the place had before, for a table that
// is taken back out.
std::string WriteHeader(ConversionSettings& settings, const TablePlace& place, const std::string& header,
                        OutputFile& file) {
    std::string& lastHeader = settings.HeadersWritten[place.HeaderKey];
    std::string headerBefore = lastHeader;
    if (!(place.AppendToOwnOutput && lastHeader == header))
        file.Write(header);
    file.EndRecord();
    lastHeader = header;
    return headerBefore;
}

// The run is stopped and says so; a replaced file stays as it was, and a file
// that was there before is cut back to what it held.
void TakeBackStoppedTable(ConversionSettings& settings, std::string_view tableName, const TablePlace& place,
                          const std::string& headerBefore) {
    if (!place.LengthBefore)
        return;
    std::error_code cut;
    std::filesystem::resize_file(place.Path, *place.LengthBefore, cut);
    if (cut) {
        AddTableWarning(settings, tableName,
                        "stopped; " + place.Path + " keeps the part written, it could not be cut back");
        return;
    }
    settings.HeadersWritten[place.HeaderKey] = headerBefore;
    AddTableWarning(settings, tableName,
                    "stopped; " + place.Path + " is cut back to the " + std::to_string(*place.LengthBefore) +
                        " bytes it had before this table");
}

void ExportIntoOwnFile(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                       const TableDef& tableDef, const ColumnPlan& plan, OutputForm& form) {
    TablePlace place(settings, form, tableName);
    OutputFile file;
    if (!OpenTableFile(window, settings, tableName, place, file))
        return;
    ShowCurrentFile(window, tableName, place.Path);
    const std::unique_ptr<TableOutput> table = form.StartTable(settings, tableDef, plan);
    const std::string headerBefore = WriteHeader(settings, place, table->Header(), file);

    // A table whose records cannot be opened keeps its header (a file being
    // replaced stays as it was).
    const std::unique_ptr<Recordset> records = OpenRecords(window, settings, tableName, tableDef, &file);
    if (!records)
        return;

    // An EngineError from here on ends the table: the file is closed by its
    // destructor with every complete byte kept (an unfinished replacement is
    // removed), and the run decides what follows.
    std::optional<AttachmentFolder> attachments;
    const RecordsWritten written = WriteTableRecords(window, settings, tableName, file, *records, *table, attachments);
    if (!written.Stopped && !file.Failed())
        file.Write(table->Footer());
    file.EndRecord();
    const bool closed = file.Close();
    records->Close();
    AddWrittenWarnings(settings, tableName, written, plan, *table);
    if (!closed) {
        FailTable(settings, tableName, "could not write all of " + place.Path);
        // Nobody reads standard output any more (a pipe's reader that
        // stopped early): the tables after this one would go nowhere.
        if (place.ToStream)
            settings.StopRequested = 1;
        return;
    }
    if (written.Stopped) {
        TakeBackStoppedTable(settings, tableName, place, headerBefore);
        return;
    }
    if (place.Replaced) {
        if (!place.Replaced->Commit()) {
            FailTable(settings, tableName, "could not replace " + place.Path);
            return;
        }
        settings.FilesWritten.push_back(place.Path);
    }
    FailIfIncomplete(settings, tableName, attachments, written);
}

} // namespace

void ExportTable(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName) {
    if (!settings.CurrentDatabase)
        throw EngineError(HResult::Pointer);
    // The definition comes first: a table the database does not know touches no file.
    std::shared_ptr<TableDefs> tableDefs = settings.CurrentDatabase->GetTableDefs();
    if (!tableDefs)
        throw EngineError(HResult::Pointer);
    ExportTable(window, settings, tableName, tableDefs->Item(platform::AnsiToWide(tableName)));
}

void ExportTable(ProgressDisplay* window, ConversionSettings& settings, std::string_view tableName,
                 const std::shared_ptr<TableDef>& tableDef) {
    if (!settings.CurrentDatabase || !tableDef)
        throw EngineError(HResult::Pointer);
    const ColumnPlan plan = PlanColumns(settings, tableDef->GetFields());
    // The file is still written as asked; the user learns why it is empty.
    if (settings.OnlyFields && plan.Exported.empty() && plan.Count > 0)
        AddTableWarning(settings, tableName, "no field is named in ONLYFIELDS=");
    const std::unique_ptr<OutputForm> form = FormFor(settings);
    if (settings.Target)
        ExportIntoTarget(window, settings, tableName, *tableDef, plan, *form);
    else
        ExportIntoOwnFile(window, settings, tableName, *tableDef, plan, *form);
}
