#include "engine/Run.h"

#include "engine/Export.h"
#include "engine/Lengths.h"
#include "engine/LoadDatabase.h"
#include "engine/Report.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace {

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
        for (int32_t i = 0; i < tableDefs->Count(); ++i) {
            // The entry itself is exported, not the first of its name: a
            // damaged catalog may list names that differ in case only.
            std::shared_ptr<TableDef> def = tableDefs->Item(i);
            if (!def)
                throw EngineError(HResult::Pointer);
            const std::string name = platform::WideToAnsi(def->Name());
            if (list.find(";" + name + ";") == std::string::npos)
                continue;
            if (settings.StopRequested.load())
                break;
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
    } catch (const EngineError& error) {
        RecordFailure(settings, "", DescribeError(error));
        settings.FilesFailed += 1;
        return false;
    }
    return true;
}

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

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// False when Close failed: the library counts the file as failed then.
bool CloseDatabase(ConversionSettings& settings) {
    if (!settings.CurrentDatabase)
        return true;
    bool closed = true;
    try {
        settings.CurrentDatabase->Close();
    } catch (const EngineError&) {
        closed = false;
    }
    settings.CurrentDatabase.reset();
    return closed;
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

    int32_t result = 0;
    const std::vector<std::string> names = platform::FindMatchingNames(pattern);
    if (names.empty() && !HasWildcard(lastComponent)) {
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

    // A name in TABLES= that no database of the run has is most likely a
    // typing error: the run converts what it found and says what it did not.
    if (anyLoaded && !settings.StopRequested.load())
        for (std::size_t i = 0; i < filterNames.size(); ++i)
            if (!filterFound[i])
                settings.Warnings.push_back(pattern + ": no table matches \"" + filterNames[i] + "\" of TABLES=");
    return result;
}

} // namespace

void ConvertTables(ProgressDisplay* window, ConversionSettings& settings) { ConvertListedTables(window, settings); }

void ConvertMatchingFiles(ConversionSettings& settings) { ConvertMatches(settings, false); }

int32_t ConvertMatchingFilesLibrary(ConversionSettings& settings) { return ConvertMatches(settings, true); }
