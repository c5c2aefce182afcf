#include "wizard/ProgramExtras.h"

#include "engine/LoadDatabase.h"
#include "engine/Report.h"
#include "engine/DatabaseSchema.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "wizard/ProgramName.h"

#include <cstdio>
#include <string_view>

#ifndef VARNEX_VERSION
#define VARNEX_VERSION "unknown"
#endif

namespace {

// Standard output, or a message box for a Windows program nobody started
// from a console. False when the text did not all reach the stream (it is
// closed, or a full device).
bool Show(const std::string& text, std::FILE* stream) {
    if (stream == stdout && !platform::HasVisibleStandardOutput()) {
        platform::ShowMessageBox(nullptr, text, platform::MessageOk);
        return true;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

// An answer that never reached standard output is no answer: the caller
// hears of it, and the exit status says so.
int Answer(const std::string& text, std::string_view programName, int status) {
    if (Show(text, stdout))
        return status;
    Show(ProgramBaseName(programName) + ": standard output cannot be written to\n", stderr);
    return 1;
}

} // namespace

std::string VersionText(std::string_view programName) {
    return ProgramBaseName(programName) + " (Varnex) " VARNEX_VERSION "\n";
}

// Opens the database an option that describes it (rather than converting
// it) is about; false with the line to print when there is none to open.
static bool OpenToDescribe(ConversionSettings& settings, const std::string& name, std::string_view option,
                           std::string& error) {
    if (settings.SourcePath.empty()) {
        error = name + ": " + std::string(option) + " needs a database path (.mdb or .accdb)\n";
        return false;
    }
    std::string reason;
    if (LoadDatabase(nullptr, settings, "", &reason) != 0 || !settings.CurrentDatabase) {
        // The reader's own words, as a conversion of the file would print them.
        if (reason.empty())
            reason = "the database could not be opened";
        error = name + ": " + platform::ShownText(settings.SourcePath.str() + ": " + reason) + "\n";
        return false;
    }
    return true;
}

int ListTables(ConversionSettings& settings, std::string_view programName, std::string& out, std::string& error) {
    const std::string name = ProgramBaseName(programName);
    if (!OpenToDescribe(settings, name, "--list-tables", error))
        return 1;
    // The tables the run would walk, in its order; each name shows whole on
    // a line of its own.
    try {
        for (const ChosenTable& table : ChosenTables(settings))
            out.append(platform::ShownText(table.Name)).push_back('\n');
    } catch (const EngineError& failure) {
        error = name + ": " + platform::ShownText(settings.SourcePath.str() + ": " + DescribeError(failure)) + "\n";
        return 1;
    }
    return 0;
}

int PrintSchema(ConversionSettings& settings, std::string_view programName, std::string_view dialectName,
                std::string& out, std::string& error) {
    const std::string name = ProgramBaseName(programName);
    const std::optional<SqlDialect> dialect = ParseSqlDialect(dialectName);
    if (!dialect) {
        error = name + ": --schema=" + platform::ShownText(std::string(dialectName)) +
                ": no such dialect (sqlite, postgres or mysql)\n";
        return 1;
    }
    if (!OpenToDescribe(settings, name, "--schema", error))
        return 1;
    // The same tables --list-tables names, so the statements fit the files
    // a conversion with the same options writes.
    std::string where, reason;
    if (!ChosenTablesSchema(settings, *dialect, out, where, reason)) {
        error = name + ": " + platform::ShownText(where + ": " + reason) + "\n";
        return 1;
    }
    return 0;
}

std::optional<int> AnswerInformationRequest(ConversionSettings& settings, const ProgramRequest& request,
                                            std::string_view programName) {
    if (request.Version)
        return Answer(VersionText(programName), programName, 0);
    if (!request.ListTables && !request.SchemaDialect)
        return std::nullopt;
    std::string out, error;
    const int status = request.ListTables ? ListTables(settings, programName, out, error)
                                          : PrintSchema(settings, programName, *request.SchemaDialect, out, error);
    if (!error.empty())
        Show(error, stderr);
    return Answer(out, programName, status);
}

UnattendedExtras::UnattendedExtras(ConversionSettings& settings, const ProgramRequest& request,
                                   std::string_view programName)
    : settings_(settings) {
    const bool toStandardOutput = request.StandardOutput;
    if (toStandardOutput) {
        if (!platform::BinaryStandardOutput()) {
            Show(ProgramBaseName(programName) + ": the tables cannot be written to standard output\n", stderr);
            ready_ = false;
            return;
        }
        // A reader that stops early (head) ends the run through a failed write.
        platform::IgnoreBrokenPipe();
        settings.StandardOutput = stdout;
        // The run needs an output; the tables never reach a path.
        settings.OutputPath = "-";
    }
    // The line is for a person at a terminal, and never over table bytes
    // that go to that same terminal.
    const bool watched = platform::IsTerminal(platform::StandardStream::Error) && !request.Quiet &&
                         !(toStandardOutput && platform::IsTerminal(platform::StandardStream::Output));
    // A pattern (/BATCH, or /SILENT with a wildcard) may convert many
    // databases: the line tells which one the run is on.
    if (watched)
        progress_ =
            std::make_unique<TerminalProgress>(StandardErrorTerminal(), platform::HasWildcard(settings.SourcePath));
    if (progress_)
        settings.ProgressWindow = this;
}

UnattendedExtras::~UnattendedExtras() {
    if (settings_.ProgressWindow == this)
        settings_.ProgressWindow = nullptr;
}

void UnattendedExtras::Finish() {
    if (progress_)
        progress_->Erase();
}

void UnattendedExtras::SetCurrentFileText(std::string_view text) {
    if (progress_)
        progress_->SetCurrentFileText(text);
}

void UnattendedExtras::ProgressStartTable(int32_t records) {
    if (progress_)
        progress_->ProgressStartTable(records);
}

void UnattendedExtras::ProgressRecords(int32_t written) {
    if (progress_)
        progress_->ProgressRecords(written);
}

void UnattendedExtras::ProgressStartDatabase(std::string_view path) {
    if (progress_)
        progress_->ProgressStartDatabase(path);
}

void UnattendedExtras::ProgressEndTable() {
    if (progress_)
        progress_->ProgressEndTable();
}
