#pragma once
// What the program's command line offers on top of the conversion options:
// --version, --list-tables, the output "-" (standard output), /QUIET, and the
// progress line on a terminal. A Windows command line has never meant any of
// these, so adding them changes no existing run.

#include "engine/Settings.h"
#include "wizard/TerminalProgress.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

std::string VersionText(std::string_view programName);

// Answers --version, --list-tables and --schema=, which convert nothing.
// Returns the exit status, or nothing when the request asks for none of
// them. settings: filled from defaults, saved settings and the command line
// whose reading made the request.
std::optional<int> AnswerInformationRequest(ConversionSettings& settings, const ProgramRequest& request,
                                            std::string_view programName);

// Writes the names of the tables a run over settings.SourcePath would
// convert, one per line, in the order it would convert them. 0, or 1 when
// the database did not open (a line on error says so).
int ListTables(ConversionSettings& settings, std::string_view programName, std::string& out, std::string& error);
// Answers --schema=DIALECT: the SQL statements that make the tables the run
// would convert, with their keys, indexes and relationships.
int PrintSchema(ConversionSettings& settings, std::string_view programName, std::string_view dialect, std::string& out,
                std::string& error);

// The unattended run's watchers, attached to settings.ProgressWindow for as
// long as this object lives.
class UnattendedExtras final : public ProgressDisplay {
public:
    UnattendedExtras(ConversionSettings& settings, const ProgramRequest& request, std::string_view programName);
    ~UnattendedExtras() override;
    UnattendedExtras(const UnattendedExtras&) = delete;
    UnattendedExtras& operator=(const UnattendedExtras&) = delete;

    // False when standard output was asked for and cannot be had; a line on
    // standard error says why.
    bool Ready() const { return ready_; }
    // The run is over: the progress line goes.
    void Finish();

    void* Handle() const override { return nullptr; }
    void SetCurrentFileText(std::string_view text) override;
    void ProgressStartTable(int32_t records) override;
    void ProgressRecords(int32_t written) override;
    void ProgressStartDatabase(std::string_view path) override;
    void ProgressEndTable() override;

private:
    ConversionSettings& settings_;
    std::unique_ptr<TerminalProgress> progress_;
    bool ready_ = true;
};
