#include "wizard/Entry.h"

#include "engine/Report.h"
#include "engine/Conversion.h"
#include "engine/Lengths.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "wizard/ProgramExtras.h"
#include "wizard/ProgramName.h"
#include "wizard/SavedSettings.h"
#include "wizard/Usage.h"
#include "wizard/Wizard.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

bool RunsUnattended(const ConversionSettings& settings) {
    if (settings.Silent)
        return true;
    const std::string_view source = settings.SourcePath;
    return settings.Batch && platform::HasWildcard(source);
}

namespace {

// One line of stderr; names in it cannot speak to the terminal.
void Tell(std::string_view prefix, std::string_view text) {
    const std::string line = std::string(prefix) + platform::ShownText(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// One line per failure, warning or note, so a script's log shows what went
// wrong and where: "<file>: <reason>" or "<file>: table <name>: <reason>".
void TellFailures(const ConversionOutcome& outcome) {
    for (const ConversionFailure& failure : outcome.Failures) {
        std::string line = failure.Database;
        if (!failure.Table.empty())
            line.append(": table ").append(failure.Table);
        line.append(": ").append(failure.Reason);
        Tell("", line);
    }
    for (const std::string& warning : outcome.Warnings)
        Tell("warning: ", warning);
    for (const std::string& note : outcome.Notes)
        Tell("note: ", note);
}

// Takes interrupts as stop requests for the length of the run only: the
// settings record goes when the program ends.
class StopOnInterrupt {
public:
    explicit StopOnInterrupt(ConversionSettings& settings) { platform::StopOnInterrupt(&settings.StopRequested); }
    ~StopOnInterrupt() { platform::StopOnInterrupt(nullptr); }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

} // namespace

int RunUnattended(ConversionSettings& settings, const std::vector<std::string>& shortArguments) {
    const StopOnInterrupt interrupts(settings);
    const ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Unattended);
    if (outcome.Refused == ConversionRefusal::NoOutput) {
        std::fputs("No output folder or file was given.\n", stderr);
        // A short folder name ("out", "o/") falls to the rule that a path is
        // longer than four characters; the user learns which argument it was.
        for (const std::string& argument : shortArguments)
            Tell("note: ", "\"" + argument +
                               "\" was not taken as the output: an argument of four characters or fewer is never a "
                               "path; give a longer one, such as its full path.");
    }
    if (outcome.Refused == ConversionRefusal::NoDatabase)
        std::fputs("No database file was given.\n", stderr);
    if (outcome.Refused == ConversionRefusal::TooLong)
        Tell("", LengthRefusal(settings));
    TellFailures(outcome);
    // A script needs to know whether the run did what it asked: a database
    // that did not open, a path that named nothing or a table that could not
    // be written all make the run a failure.
    const bool failed = !outcome.Succeeded();
    if (!WriteStatus(failed ? "Failed" : "Successful", settings))
        Tell("", settings.StatusFile.str() + ": the status file cannot be written");
    // An interrupted run ends as the signal would have ended it, once its
    // files are complete to their last whole record.
    const int32_t signal = settings.StopRequested.load();
    if (outcome.Stopped && signal > 1)
        return platform::ExitCodeForSignal(signal);
    return failed ? 1 : 0;
}

namespace {

// A path or password too long to be used whole ends the program before
// anything is read or written; false then, with the reason on stderr (and
// in a message box where nobody sees stderr).
bool RefuseLongValues(ConversionSettings& settings, std::string_view programName) {
    const std::string settingsFile = SettingsFilePath();
    std::string refusal = PathLengthProblem("the settings file's path", settingsFile, settingsFile.size());
    if (refusal.empty())
        refusal = LengthRefusal(settings);
    if (refusal.empty())
        return true;
    const std::string name = ProgramBaseName(programName);
    Tell(name + ": ", refusal);
    if (!platform::HasVisibleStandardOutput())
        platform::ShowMessageBox(nullptr, name + ": " + platform::ShownText(refusal), platform::MessageIconError);
    if (!settings.StatusFile.Cut())
        WriteStatus("Failed", settings);
    return false;
}

} // namespace

int RunProgram(int argc, const char* const* argv) {
    const std::string_view programName = ProgramPath(argc, argv);
    // One record for the whole process: defaults, then what was saved beside
    // the program, then the command line, each overriding the one before.
    auto settings = std::make_unique<ConversionSettings>();
    try {
        InitSettings(*settings);
        LoadSettings(*settings);
        const ProgramRequest request = ParseOptions(*settings, argc, argv);
        // Help wins over every other argument, however long or wrong.
        if (request.Help) {
            ShowUsage(programName);
            return 0;
        }
        if (!RefuseLongValues(*settings, programName))
            return 1;
        if (const std::optional<int> answered = AnswerInformationRequest(*settings, request, programName))
            return *answered;
        if (!RunsUnattended(*settings))
            return RunWizard(*settings, argc, argv);
        UnattendedExtras extras(*settings, request, programName);
        if (!extras.Ready()) {
            WriteStatus("Failed", *settings);
            return 1;
        }
        const int status = RunUnattended(*settings, request.ShortArguments);
        extras.Finish();
        return status;
    } catch (const std::exception& error) {
        // Out of memory and the like: the run did not finish, and a script
        // watching the status file or the exit code must see that.
        Tell("Conversion stopped: ", error.what());
        WriteStatus("Failed", *settings);
        return 1;
    }
}
