#pragma once
// The one record of a run: options, paths, the open database and run state.

#include "core/Database.h"
#include "engine/ProgressDisplay.h"
#include "platform/FileNames.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text with a fixed capacity in bytes: a longer value is held cut to fit,
// and remembers the length it was given, so that a path or password is
// refused rather than used cut (see CheckLengths).
template <std::size_t Capacity>
class SettingText {
public:
    static constexpr std::size_t capacity = Capacity;
    SettingText() = default;
    SettingText(std::string_view text) { assign(text); }
    SettingText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    void assign(std::string_view text) {
        givenSize_ = text.size();
        value_.assign(text.substr(0, std::min(text.size(), Capacity)));
    }
    void clear() { assign({}); }
    bool empty() const { return value_.empty(); }
    std::size_t size() const { return value_.size(); }
    const std::string& str() const { return value_; }
    const char* c_str() const { return value_.c_str(); }
    operator std::string_view() const { return value_; }
    bool operator==(std::string_view other) const { return value_ == other; }
    // The value given was longer than the capacity, and is held cut.
    bool Cut() const { return givenSize_ > Capacity; }
    std::size_t GivenSize() const { return givenSize_; }

private:
    std::string value_;
    std::size_t givenSize_ = 0;
};

// The password, the Windows build's paths and every text the wizard's
// controls hold have room for 259 characters.
constexpr std::size_t kPathCapacity = 259;
// Paths as long as the system takes them (259 characters on Windows).
constexpr std::size_t kSystemPathCapacity = platform::kLongestPath;

// One database or table that did not convert, and why, in one line.
struct ConversionFailure {
    std::string Database; // the file as it was opened
    std::string Table;    // empty when the database itself failed
    std::string Reason;
};
// How a binary value's cell is written: the hex digits it has always had,
// base64 (a third shorter), or nothing at all (an empty cell).
enum class BinaryForm : uint8_t { Hex, Base64, Skip };

// What a table's file holds: delimited text in the locale's forms, one
// JSON object per record (--format=jsonl, TABLE.jsonl), or SQL statements
// for one of three databases (--format=sql:DIALECT, TABLE.sql); or every
// table in one SQLite database (--format=sqlite FILE.sqlite).
enum class TableFormat : uint8_t { Csv, JsonLines, SqlSqlite, SqlPostgres, SqlMySql, Sqlite };

class RunOutput;

constexpr std::size_t kDelimiterCapacity = 31;
constexpr std::size_t kOrderCapacity = 100;
constexpr std::size_t kTypeChangeSlots = 2048;

struct ConversionSettings {
    void* TitleFont = nullptr;
    SettingText<kSystemPathCapacity> OutputPath;
    std::unique_ptr<Database> CurrentDatabase;
    SettingText<kSystemPathCapacity> SourcePath;
    SettingText<kPathCapacity> Password;
    int32_t OverWrite = 0;
    int32_t CodePage = 0;
    int32_t SourceCodePage = 0;
    ProgressDisplay* ProgressWindow = nullptr;
    std::optional<std::string> TableList;
    std::optional<std::string> Tables;
    SettingText<kDelimiterCapacity> Fields;
    SettingText<kDelimiterCapacity> Records;
    SettingText<kDelimiterCapacity> Escape;
    SettingText<kDelimiterCapacity> ReplaceCommaTo;
    int32_t DoubleQuotes = 0;
    int32_t RemoveTrail = 0;
    int32_t RemoveCRLF = 0;
    int32_t DateFormat = 0;
    int32_t ExportRecords = 0;
    int32_t MaxLen = 0;
    int32_t Header = 0;
    std::optional<std::string> Extension;
    std::optional<std::string> OnlyFields;
    std::optional<std::string> OutputFileName;
    std::vector<std::string> TypeChanges; // filled slots, at most kTypeChangeSlots
    SettingText<kOrderCapacity> Order;
    std::optional<std::string> Columns;
    int32_t FirstColumn = 0;
    int32_t LastColumn = 0;
    std::atomic<int32_t> StopRequested{0};
    // Threads a table's records may be read and formatted on: 0 lets the
    // export choose (one per core, or as VARNEX_THREADS says), 1 keeps every
    // table on the calling thread.
    int32_t ExportThreads = 0;
    // Folders named by --link-dir=, searched in order for the files of linked
    // tables (before those of VARNEX_LINK_PATH); --links=no clears FollowLinks
    // and every linked table then fails on its own.
    std::vector<std::string> LinkFolders;
    int32_t FollowLinks = 1;
    // --binary=hex|base64|skip: the cells of binary and OLE values.
    BinaryForm Binary = BinaryForm::Hex;
    // --attachments=FOLDER: the files of attachment values are written under
    // it (FOLDER/TABLE/ROW/NAME) and their cells name them.
    std::optional<std::string> AttachmentsFolder;
    TableFormat Format = TableFormat::Csv;
    // --data-only: the SQL forms write the rows without the statements that
    // make the tables.
    int32_t DataOnly = 0;
    // Tables go one after another to this stream (the program's "-") instead
    // of files, written by the thread that writes blocks; only whole records
    // reach it.
    std::FILE* StandardOutput = nullptr;
    // --portable: CSV in one form in every locale (UTF-8, ISO dates, C-locale
    // numbers, true/false, quoted only where RFC 4180 needs it).
    int32_t Portable = 0;
    // /QUOTES=1 was given: portable CSV then quotes every field, while the
    // quoting of the saved settings (on when there are none) leaves it to
    // quote only where RFC 4180 needs it.
    int32_t QuotesAsked = 0;
    // The run's one target, while a form that writes into one runs (see
    // RunOutput); null for a file per table.
    RunOutput* Target = nullptr;
    int32_t TablesDone = 0;
    int32_t RecordsDone = 0;
    // Failures of this run, so an unattended run can tell success from failure:
    // matching files that did not load (or a plain path that matched nothing),
    // and tables whose file could not be created or whose records could not be read.
    int32_t FilesFailed = 0;
    int32_t TablesFailed = 0;
    // Output files this run has created or replaced: a later table bound for the
    // same file is appended to it, so OverWrite never deletes this run's own output.
    std::vector<std::string> FilesWritten;
    // The header line last written to each of those files: the same table of
    // another database appended to it does not repeat it.
    std::map<std::string, std::string> HeadersWritten;
    // What failed and why, and what was asked for but matched nothing; the
    // run entry hands both to the face that started the run.
    std::vector<ConversionFailure> Failures;
    std::vector<std::string> Warnings;
    // Tables written to a file of another name than their own, and where.
    std::vector<std::string> Notes;
    // The file each table of this run was given in a folder (by the folder,
    // the table's name and the extension), and the table each such file, or a named
    // output file, belongs to (by the file system's form of its path): two
    // tables never share one file, while one table of several databases
    // is appended to its one file.
    std::map<std::string, std::string> TableFiles;
    std::map<std::string, std::string> FileOwners;
    int32_t Log = 0;
    int32_t Open = 0;
    int32_t Batch = 0;
    int32_t Wait = 0;
    int32_t Silent = 0;
    SettingText<kSystemPathCapacity> StatusFile;
};

// Keywords of the date formats, by index.
extern const char* const kDateFormatKeywords[10];

// What a command line asks of the program itself rather than of a
// conversion: the arguments that stand for it change no setting, so the
// library, which has no use for them, reads the same settings from them.
struct ProgramRequest {
    bool Help = false;                        // --help, -h, -? or /? anywhere: nothing else is done
    bool Version = false;                     // --version
    bool ListTables = false;                  // --list-tables
    std::optional<std::string> SchemaDialect; // the first --schema=DIALECT
    // "-" is the output: the tables go to standard output. An output path
    // after it wins, as a later output path always does.
    bool StandardOutput = false;
    bool Quiet = false; // /QUIET or -QUIET, any case: no progress line
    // Arguments of four characters or fewer that are no option ("out",
    // "o/"): never taken as a path, so a run that then has no output can
    // say which one the user meant.
    std::vector<std::string> ShortArguments;
};

void InitSettings(ConversionSettings& settings);
// The one reading of a command line (argv[0] is the program): applies the
// conversion options over what settings holds, and returns what the rest
// asks of the program.
ProgramRequest ParseOptions(ConversionSettings& settings, int argc, const char* const* argv);
void ResolveFieldDelimiter(ConversionSettings& settings, std::string_view text);
void ResolveRecordDelimiter(ConversionSettings& settings, std::string_view text);
void AddTypeChange(ConversionSettings& settings, std::string_view rule);

// Upper-cases a to z only; every other byte stays as it is.
std::string UpperAscii(std::string_view text);
// Case-insensitive comparisons that fold a to z only.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view ending);
bool StartsWithNoCase(std::string_view text, std::string_view start);
