#pragma once
// The completion page: the counts of the run, its result in the status file,
// and on Finish the saved settings and the new files opened. Its parameter
// text repeats the run's options on an unattended command line.

#include "engine/Conversion.h"
#include "engine/Settings.h"
#include "wizard/pages/PageRules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern const char* const kNothingExported;   // "0 records have been exported."
extern const char* const kParametersCaption; // "Press Ctrl-C to copy command line parameters to the clipboard"

// "%d tables (%d records) have been imported.", or kNothingExported when no
// table was done.
std::string ResultLine(int32_t tablesDone, int32_t recordsDone);
// kStatusSuccessful only when everything converted; kStatusFailed when any
// database or table failed, or the run was refused or stopped.
const char* CompletionStatus(const ConversionOutcome& outcome);
// One line per failure ("database: table: reason"), at most maxLines and a
// closing "... and N more"; empty when nothing failed.
std::string FailureSummary(const ConversionOutcome& outcome, std::size_t maxLines = 10);

// What the completion page says under the counts line: what did not
// convert, then what the run warned of in the words the unattended run
// prints on stderr (a stopped append cut back, values left empty), then the
// tables written under another name. Empty when there is nothing to tell.
std::string CompletionFailureText(const ConversionOutcome& outcome);

// The tables written under another name than their own ("table X is written
// to Y"), at most maxLines and a closing "... and N more"; empty when none.
std::string NoteSummary(const ConversionOutcome& outcome, std::size_t maxLines = 10);

// The converted files, one per table of TableList in its order: the first
// takes OutputFileName when that is set (and clears it), the others the file
// the run gave the table in OutputPath (its name and Extension, ".csv"
// without one, unless the name could not be a file name or was another
// table's).
std::vector<std::string> FilesToOpen(ConversionSettings& settings);
// Parameters for "rundll32" that ask the user which program opens the file.
std::string OpenAsParameters(std::string_view file);

// The command-line options that repeat the present settings: overwrite mode,
// date format, code page, records, maximum length, order, type changes,
// status file, open, batch and wait, then a line break and "/SILENT ". An
// item holding a blank or a quote is quoted as the command line splits it. Never longer than kParameterTextLimit - 1;
// type-change rules that do not fit are left out, and their number goes to
// omittedRules when given.
constexpr std::size_t kParameterTextLimit = 8192;
std::string ParameterText(const ConversionSettings& settings, int32_t* omittedRules = nullptr);

// Opening a file through the shell.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    // The shell's "open" verb; false when it failed.
    virtual bool Open(const std::string& file) = 0;
    // "rundll32" with the given parameters; its failure is not reported.
    virtual void OpenWith(const std::string& parameters) = 0;
};

class CompletionPage {
public:
    // settingsFile: where "Save new settings" writes (SettingsFilePath() for the program).
    CompletionPage(ConversionSettings& settings, WizardSheet& sheet, std::string settingsFile);

    // Whether "Open new file" starts checked; presses Finish in a batch run
    // without Wait.
    bool Initialise();
    // Writes the run's result to the status file and enables Finish only.
    // Returns the result line to show.
    std::string SetActive(const ConversionOutcome& outcome);
    // Finish, with the two check boxes' states: saves the settings, then
    // opens the converted files that the run wrote (falling back to the
    // open-with dialog when the shell cannot open one).
    void WizardFinish(bool saveSettings, bool openFiles, FileOpener& opener);
    // "Show command line parameters".
    std::string Parameters() const { return ParameterText(settings_); }

private:
    ConversionSettings& settings_;
    WizardSheet& sheet_;
    std::string settingsFile_;
};
