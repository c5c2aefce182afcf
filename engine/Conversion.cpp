#include "engine/Conversion.h"

#include "engine/Lengths.h"
#include "engine/Run.h"

namespace {

ConversionRefusal CheckPaths(const ConversionSettings& settings) {
    if (settings.SourcePath.empty())
        return ConversionRefusal::NoDatabase;
    // Without an output path every table would be written beside the root of
    // the file system.
    if (settings.OutputPath.empty())
        return ConversionRefusal::NoOutput;
    if (!LengthRefusal(settings).empty())
        return ConversionRefusal::TooLong;
    return ConversionRefusal::None;
}

ConversionOutcome TakeOutcome(ConversionSettings& settings) {
    ConversionOutcome outcome;
    outcome.TablesDone = settings.TablesDone;
    outcome.RecordsDone = settings.RecordsDone;
    outcome.FilesFailed = settings.FilesFailed;
    outcome.TablesFailed = settings.TablesFailed;
    outcome.Stopped = settings.StopRequested.load() != 0;
    outcome.Failures = std::move(settings.Failures);
    outcome.Warnings = std::move(settings.Warnings);
    outcome.Notes = std::move(settings.Notes);
    settings.Failures.clear();
    settings.Warnings.clear();
    settings.Notes.clear();
    return outcome;
}

} // namespace

ConversionOutcome RunConversion(ConversionSettings& settings, ConversionRoad road) {
    if (road == ConversionRoad::Wizard) {
        // The source page opened the database and the output page resolved the
        // delimiters; the worker converts what TableList names.
        ConvertTables(settings.ProgressWindow, settings);
        return TakeOutcome(settings);
    }
    ConversionOutcome refused;
    refused.Refused = CheckPaths(settings);
    if (refused.Refused != ConversionRefusal::None)
        return refused;
    ResolveFieldDelimiter(settings, settings.Fields);
    ResolveRecordDelimiter(settings, settings.Records);
    if (road == ConversionRoad::Library)
        ConvertMatchingFilesLibrary(settings);
    else
        ConvertMatchingFiles(settings);
    return TakeOutcome(settings);
}
