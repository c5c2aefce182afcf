#include "engine/Run.h"

#include "engine/Export.h"
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
            std::string key = ";";
            {
                std::shared_ptr<TableDef> def = tableDefs->Item(i);
                if (!def)
                    throw EngineError(HResult::Pointer);
                key += platform::WideToAnsi(def->Name());
            }
            key += ';';
            if (list.find(key) == std::string::npos)
                continue;
            if (settings.StopRequested.load())
                break;
            try {
                std::shared_ptr<TableDef> def = tableDefs->Item(i);
                if (!def)
                    throw EngineError(HResult::Pointer);
                const std::string name = platform::WideToAnsi(def->Name());
                def.reset();
                ExportTable(window, settings, name);
            } catch (const EngineError&) {
                settings.TablesFailed += 1;
            }
            if (window)
                window->ProgressEndTable();
            settings.TablesDone += 1;
        }
    } catch (const EngineError&) {
        settings.FilesFailed += 1;
        return false;
    }
    return true;
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
    int32_t result = 0;
    const std::vector<std::string> names = platform::FindMatchingNames(pattern);
    if (names.empty() && !HasWildcard(lastComponent)) {
        // A path naming one database that is not there is a failure, not an
        // empty match.
        settings.FilesFailed += 1;
        result = 3;
    }
    for (const std::string& name : names) {
        if (!name.empty() && name.front() == '.')
            continue;
        settings.SourcePath = folder + name;
        if (window)
            window->ProgressStartDatabase(settings.SourcePath);
        bool failed = false;
        if (LoadDatabase(nullptr, settings, "") != 0) {
            settings.FilesFailed += 1;
            failed = true;
        } else if (!ConvertListedTables(window, settings)) {
            failed = true;
        }
        if (closeEachDatabase && !CloseDatabase(settings) && !failed) {
            settings.FilesFailed += 1;
            failed = true;
        }
        if (failed)
            result = 3;
    }
    if (closeEachDatabase)
        CloseDatabase(settings);
    return result;
}

} // namespace

void ConvertTables(ProgressDisplay* window, ConversionSettings& settings) { ConvertListedTables(window, settings); }

int ConversionThread(ConversionSettings& settings, ConversionOutcome* outcome) {
    ProgressDisplay* window = settings.ProgressWindow;
    if (window)
        window->DisableWizardButtons();
    ConversionOutcome result = RunConversion(settings, ConversionRoad::Wizard);
    if (outcome)
        *outcome = std::move(result);
    if (window)
        window->PressNext();
    return 0;
}

void ConvertMatchingFiles(ConversionSettings& settings) { ConvertMatches(settings, false); }

int32_t ConvertMatchingFilesLibrary(ConversionSettings& settings) { return ConvertMatches(settings, true); }
