#include "wizard/Entry.h"

#include "engine/Report.h"
#include "engine/Conversion.h"
#include "wizard/ProgramExtras.h"
#include "wizard/SavedSettings.h"
#include "wizard/Usage.h"
#include "wizard/Wizard.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>

bool RunsUnattended(const ConversionSettings& settings) {
    if (settings.Silent)
        return true;
    const std::string_view source = settings.SourcePath;
    return settings.Batch && source.find_first_of("*?") != std::string_view::npos;
}

int RunUnattended(ConversionSettings& settings) {
    const ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Unattended);
    if (outcome.Refused == ConversionRefusal::NoOutput)
        std::fputs("No output folder or file was given.\n", stderr);
    // A script needs to know whether the run did what it asked: a database
    // that did not open, a path that named nothing or a table that could not
    // be written all make the run a failure.
    const bool failed = !outcome.Succeeded();
    WriteStatus(failed ? "Failed" : "Successful", settings);
    return failed ? 1 : 0;
}

namespace {

std::string_view ProgramName(int argc, const char* const* argv) {
    return argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "";
}

} // namespace

int RunProgram(int argc, const char* const* argv) {
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr && AsksForHelp(argv[i])) {
            ShowUsage(ProgramName(argc, argv));
            return 0;
        }
    }

    // One record for the whole process: defaults, then what was saved beside
    // the program, then the command line, each overriding the one before.
    auto settings = std::make_unique<ConversionSettings>();
    try {
        InitSettings(*settings);
        LoadSettings(*settings);
        ParseOptions(*settings, argc, argv);
        if (const std::optional<int> answered = AnswerInformationRequest(*settings, argc, argv))
            return *answered;
        if (!RunsUnattended(*settings))
            return RunWizard(*settings, argc, argv);
        UnattendedExtras extras(*settings, argc, argv);
        if (!extras.Ready()) {
            WriteStatus("Failed", *settings);
            return 1;
        }
        const int status = RunUnattended(*settings);
        extras.Finish();
        return status;
    } catch (const std::exception& error) {
        // Out of memory and the like: the run did not finish, and a script
        // watching the status file or the exit code must see that.
        std::fprintf(stderr, "Conversion stopped: %s\n", error.what());
        WriteStatus("Failed", *settings);
        return 1;
    }
}
