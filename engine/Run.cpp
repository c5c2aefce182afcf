#include "engine/Run.h"

#include "engine/Export.h"
#include "engine/Lengths.h"
#include "engine/LoadDatabase.h"
#include "engine/Report.h"
#include "engine/RunTarget.h"
#include "engine/TableForm.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace {

// The run's one target hears of the database's tables before the first is
// written. False (the reason recorded) when it cannot take them.
bool BeginTarget(ConversionSettings& settings, const std::vector<std::shared_ptr<TableDef>>& chosen) {
    std::vector<TableSchema> tables;
    for (const std::shared_ptr<TableDef>& def : chosen)
        tables.push_back(ExportedSchema(settings, *def));
    std::string error;
    if (settings.Target->Begin(tables, RelationshipsAmong(tables, settings.CurrentDatabase->Relationships()), error))
        return true;
    RecordFailure(settings, "", settings.Target->Name() + ": " + error);
    return false;
}

// Converts every listed table of the open database. Returns false when the
// database's table definitions could not be listed: that ends the file as if
// it had not loaded. A failing table ends only itself.
bool ConvertListedTables(ProgressDisplay* window, ConversionSettings& settings) {
    WriteStatus("Conversion In Progress", settings);
    if (!settings.CurrentDatabase || !settings.TableList)
        return true;
    const std::string& list = *settings.TableList;
    try {
        std::shared_ptr<TableDefs> tableDefs = settings.CurrentDatabase->GetTableDefs();
        if (!tableDefs)
            throw EngineError(HResult::Pointer);
        // The entry itself is exported, not the first of its name: a
        // damaged catalog may list names that differ in case only.
        std::vector<std::shared_ptr<TableDef>> chosen;
        for (int32_t i = 0; i < tableDefs->Count(); ++i) {
            std::shared_ptr<TableDef> def = tableDefs->Item(i);
            if (!def)
                throw EngineError(HResult::Pointer);
            if (list.find(";" + platform::WideToAnsi(def->Name()) + ";") != std::string::npos)
                chosen.push_back(std::move(def));
        }
        if (settings.Target && !BeginTarget(settings, chosen)) {
            settings.FilesFailed += 1;
            return false;
        }
        for (const std::shared_ptr<TableDef>& def : chosen) {
            if (settings.StopRequested.load())
                break;
            const std::string name = platform::WideToAnsi(def->Name());
            try {
                ExportTable(window, settings, name, def);
            } catch (const EngineError& error) {
                RecordFailure(settings, name, DescribeError(error));
                settings.TablesFailed += 1;
            }
            if (window)
                window->ProgressEndTable();
            settings.TablesDone += 1;
        }
        if (std::string error; settings.Target && !settings.StopRequested.load() && !settings.Target->End(error)) {
            RecordFailure(settings, "", settings.Target->Name() + ": " + error);
            settings.FilesFailed += 1;
            return false;
        }
    } catch (const EngineError& error) {
        RecordFailure(settings, "", DescribeError(error));
        settings.FilesFailed += 1;
        return false;
    }
    return true;
}

// Makes the run's one target when the form writes into one, and lets it
// take its place (or go) when the run is over, whatever ends it.
class TargetScope {
public:
    explicit TargetScope(ConversionSettings& settings) : settings_(settings) {
        std::string error;
        target_ = FormFor(settings)->StartRun(settings, error);
        if (!target_ && !error.empty()) {
            failed_ = true;
            settings.FilesFailed += 1;
            RecordFailure(settings, "", error);
            WriteStatus("Failed", settings);
        }
        settings.Target = target_.get();
    }
    TargetScope(const TargetScope&) = delete;
    TargetScope& operator=(const TargetScope&) = delete;
    ~TargetScope() { Finish(); }
    // The target could not be made: nothing is to be converted.
    bool Failed() const { return failed_; }
    // False when the target was to be kept and could not be.
    bool Finish() {
        if (!target_)
            return true;
        const bool keep =
            settings_.StopRequested.load() == 0 && settings_.FilesFailed == 0 && settings_.TablesFailed == 0;
        std::string error;
        const bool finished = target_->Finish(keep, error);
        const std::string name = target_->Name();
        settings_.Target = nullptr;
        target_.reset();
        if (!finished) {
            settings_.FilesFailed += 1;
            settings_.Failures.push_back({name, "", error});
            WriteStatus("Failed", settings_);
            return false;
        }
        if (!keep)
            settings_.Warnings.push_back(
                name + " is not written, and what it held before stays: the run " +
                (settings_.StopRequested.load() ? "was stopped" : "did not convert everything"));
        return true;
    }

private:
    ConversionSettings& settings_;
    std::unique_ptr<RunOutput> target_;
    bool failed_ = false;
};

// The names of a TABLES= filter (";A;B;"), as stored: upper case.
std::vector<std::string> FilterNames(const std::string& filter) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < filter.size()) {
        std::size_t end = filter.find(';', start);
        if (end == std::string::npos)
            end = filter.size();
        if (end > start)
            names.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Marks the filter names that a table listed for this database answers.
void MarkListedNames(const ConversionSettings& settings, const std::vector<std::string>& names,
                     std::vector<bool>& found) {
    if (!settings.TableList)
        return;
    const std::string listed = UpperAscii(*settings.TableList);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!found[i] && listed.find(";" + names[i] + ";") != std::string::npos)
            found[i] = true;
}

int32_t ConvertMatches(ConversionSettings& settings, bool closeEachDatabase) {
    const std::string pattern = settings.SourcePath.str();
    const std::size_t cut = pattern.rfind(platform::PathSeparator);
    const std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    const std::string_view lastComponent =
        cut == std::string::npos ? std::string_view(pattern) : std::string_view(pattern).substr(cut + 1);

    // The program's face may watch an unattended run; the library never sets one.
    ProgressDisplay* const window = settings.ProgressWindow;
    const std::vector<std::string> filterNames =
        settings.Tables ? FilterNames(*settings.Tables) : std::vector<std::string>();
    std::vector<bool> filterFound(filterNames.size(), false);
    bool anyLoaded = false;

    TargetScope target(settings);
    if (target.Failed())
        return 3;
    int32_t result = 0;
    const std::vector<std::string> names = platform::FindMatchingNames(pattern);
    if (names.empty() && !platform::HasWildcard(lastComponent)) {
        // A path naming one database that is not there is a failure, not an
        // empty match.
        settings.FilesFailed += 1;
        RecordFailure(settings, "", "no such file");
        result = 3;
    }
    for (const std::string& name : names) {
        if (!name.empty() && name.front() == '.')
            continue;
        if (settings.StopRequested.load())
            break;
        settings.SourcePath = folder + name;
        if (window)
            window->ProgressStartDatabase(settings.SourcePath);
        bool failed = false;
        std::string reason = PathLengthProblem("its path", settings.SourcePath, settings.SourcePath.GivenSize());
        if (!reason.empty()) {
            // A match the record cannot hold whole is not opened cut.
            settings.Failures.push_back({folder + name, "", reason});
            settings.FilesFailed += 1;
            failed = true;
        } else if (LoadDatabase(nullptr, settings, "", &reason) != 0) {
            settings.FilesFailed += 1;
            RecordFailure(settings, "", reason.empty() ? std::string("cannot be opened") : reason);
            failed = true;
        } else {
            anyLoaded = true;
            MarkListedNames(settings, filterNames, filterFound);
            if (!ConvertListedTables(window, settings))
                failed = true;
        }
        if (closeEachDatabase && !CloseDatabase(settings) && !failed) {
            settings.FilesFailed += 1;
            RecordFailure(settings, "", "cannot be closed");
            failed = true;
        }
        if (failed)
            result = 3;
    }
    if (closeEachDatabase)
        CloseDatabase(settings);
    if (!target.Finish())
        result = 3;

    // A name in TABLES= that no database of the run has is most likely a
    // typing error: the run converts what it found and says what it did not.
    if (anyLoaded && !settings.StopRequested.load())
        for (std::size_t i = 0; i < filterNames.size(); ++i)
            if (!filterFound[i])
                settings.Warnings.push_back(pattern + ": no table matches \"" + filterNames[i] + "\" of TABLES=");
    return result;
}

} // namespace

void ConvertTables(ProgressDisplay* window, ConversionSettings& settings) {
    TargetScope target(settings);
    if (!target.Failed())
        ConvertListedTables(window, settings);
}

void ConvertMatchingFiles(ConversionSettings& settings) { ConvertMatches(settings, false); }

int32_t ConvertMatchingFilesLibrary(ConversionSettings& settings) { return ConvertMatches(settings, true); }
