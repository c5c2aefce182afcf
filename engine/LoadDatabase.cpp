#include "engine/LoadDatabase.h"

#include "engine/Report.h"

#include "platform/Platform.h"

#include <new>
#include <optional>
#include <string>

namespace {

// A failing engine may not even be creatable; that surfaces as the missing
// engine when the open is attempted, like a refused interface would.
std::unique_ptr<DBEngine> TryCreateEngine() {
    try {
        return CreateDBEngine();
    } catch (const EngineError&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool IsSystemTable(std::string_view name) { return name.substr(0, 4) == "MSys"; }

bool PassesFilter(const ConversionSettings& settings, const std::string& name) {
    if (!settings.Tables)
        return true;
    return settings.Tables->find(UpperAscii(";" + name + ";")) != std::string::npos;
}

// Nothing may stay listed after a failure, so the caller never converts a
// previous database's choice against this one.
void EmptyList(TableListWindow* window, ConversionSettings& settings) {
    if (window)
        window->ResetContent();
    else
        settings.TableList = std::string();
}

// The folders of --link-dir= first, then those of the environment.
OpenOptions OpenOptionsOf(const ConversionSettings& settings) {
    OpenOptions options;
    for (const std::string& folder : settings.LinkFolders)
        options.LinkFolders.push_back(platform::AnsiToWide(folder));
    for (const std::string& folder : platform::LinkPathFolders())
        options.LinkFolders.push_back(platform::AnsiToWide(folder));
    options.FollowLinks = settings.FollowLinks != 0;
    options.StopRequested = &settings.StopRequested;
    return options;
}

// False when the database open before could not be closed; it is let go
// all the same.
bool CloseOpenDatabase(ConversionSettings& settings) {
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

// Opens settings.SourcePath as the current database with its table list;
// false, with the reason, when either cannot be had.
bool OpenSource(DBEngine* engine, ConversionSettings& settings, std::shared_ptr<TableDefs>& tableDefs,
                std::string& reason) {
    std::optional<std::u16string> connect;
    if (!settings.Password.empty())
        connect = platform::AnsiToWide(";pwd=" + settings.Password.str());
    try {
        if (!engine)
            throw EngineError(HResult::Pointer);
        std::unique_ptr<Database> database = engine->OpenDatabaseWith(platform::AnsiToWide(settings.SourcePath), 1,
                                                                      true, connect, OpenOptionsOf(settings));
        if (!database)
            throw EngineError(HResult::Pointer);
        settings.CurrentDatabase = std::move(database);
        tableDefs = settings.CurrentDatabase->GetTableDefs();
        if (!tableDefs)
            throw EngineError(HResult::Pointer);
        return true;
    } catch (const EngineError& error) {
        reason = DescribeError(error);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
    }
    return false;
}

// Lists the tables a run may convert: into the window, or as ";A;B;" into
// the settings. False when the database has no table at all.
bool ListTables(TableListWindow* window, ConversionSettings& settings, TableDefs& tableDefs) {
    if (tableDefs.Count() == 0)
        return false;
    if (!window) {
        std::string list;
        list.reserve(static_cast<std::size_t>(tableDefs.Count()) * 256 + 1);
        settings.TableList = std::move(list);
    }
    for (int32_t i = 0; i < tableDefs.Count(); ++i) {
        std::string name;
        {
            std::shared_ptr<TableDef> def = tableDefs.Item(i);
            if (!def)
                throw EngineError(HResult::Pointer);
            name = platform::WideToAnsi(def->Name());
        }
        if (IsSystemTable(name) || !PassesFilter(settings, name))
            continue;
        if (window)
            window->AddString(name);
        else
            settings.TableList->append(";").append(name).append(";");
    }
    return true;
}

} // namespace

int32_t LoadDatabase(TableListWindow* window, ConversionSettings& settings, std::string_view path,
                     std::string* reason) {
    const auto because = [reason](std::string text) {
        if (reason)
            *reason = std::move(text);
        return 1;
    };
    std::unique_ptr<DBEngine> engine = TryCreateEngine();

    const std::string password = window ? window->PasswordText() : std::string();
    if (settings.CurrentDatabase && path == settings.SourcePath.str() && password == settings.Password.str())
        return 0;

    if (window) {
        settings.Password = password;
        window->ResetContent();
    }

    const bool closed = CloseOpenDatabase(settings);
    if (!path.empty())
        settings.SourcePath = path;
    if (!closed) {
        EmptyList(window, settings);
        return because("the previously open database could not be closed");
    }

    std::shared_ptr<TableDefs> tableDefs;
    std::string failure;
    if (!OpenSource(engine.get(), settings, tableDefs, failure))
        return because(std::move(failure));

    try {
        if (!ListTables(window, settings, *tableDefs))
            return 0;
    } catch (const EngineError& error) {
        // A database whose table names cannot be read is as good as unopened:
        // close it so a retry of the same path opens it afresh.
        // (A close that fails lets the database go all the same.)
        EmptyList(window, settings);
        CloseOpenDatabase(settings);
        return because(DescribeError(error));
    }

    // The TABLES= filter is kept: a pattern run applies it to every database.
    if (window)
        window->SelectAll();
    return 0;
}
