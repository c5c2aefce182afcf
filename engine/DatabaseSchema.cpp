#include "engine/DatabaseSchema.h"

#include "engine/OutputFile.h"
#include "engine/Report.h"
#include "platform/Platform.h"

std::vector<ChosenTable> ChosenTables(const ConversionSettings& settings) {
    // The list is searched, never split: a name may hold its separator.
    const std::string list = settings.TableList.value_or(std::string());
    std::vector<ChosenTable> chosen;
    const std::shared_ptr<TableDefs> tableDefs = settings.CurrentDatabase->GetTableDefs();
    for (int32_t i = 0; tableDefs && i < tableDefs->Count(); ++i) {
        std::shared_ptr<TableDef> def = tableDefs->Item(i);
        if (!def)
            continue;
        std::string name = platform::WideToAnsi(def->Name());
        if (list.find(";" + name + ";") != std::string::npos)
            chosen.push_back({std::move(name), std::move(def)});
    }
    return chosen;
}

bool ChosenTablesSchema(ConversionSettings& settings, SqlDialect dialect, std::string& out, std::string& where,
                        std::string& reason) {
    std::vector<TableSchema> tables;
    std::string table;
    try {
        for (const ChosenTable& chosen : ChosenTables(settings)) {
            table = chosen.Name;
            std::optional<TableSchema> schema = chosen.Def->Schema();
            if (!schema) {
                where = settings.SourcePath.str() + ": " + table;
                reason = "this reader cannot describe the table";
                return false;
            }
            tables.push_back(std::move(*schema));
        }
        table.clear();
        out = SchemaText(dialect, tables, settings.CurrentDatabase->Relationships());
    } catch (const EngineError& failure) {
        where = table.empty() ? settings.SourcePath.str() : settings.SourcePath.str() + ": " + table;
        reason = DescribeError(failure);
        return false;
    }
    return true;
}

namespace {

constexpr int32_t kOpenFailed = 3;
constexpr int32_t kWriteFailed = 4;

// A file named *.sql is the target itself; anything else is a folder, and
// the file is named after the database.
std::string SchemaFilePath(const ConversionSettings& settings) {
    const std::string output = settings.OutputPath.str();
    if (EndsWithNoCase(output, ".sql"))
        return output;
    std::string base = settings.SourcePath.str();
    if (const std::size_t cut = base.find_last_of("/\\"); cut != std::string::npos)
        base.erase(0, cut + 1);
    if (const std::size_t dot = base.rfind('.'); dot != std::string::npos && dot != 0)
        base.erase(dot);
    std::string folder = output;
    if (!folder.empty() && folder.back() != platform::PathSeparator)
        folder += platform::PathSeparator;
    return folder + base + ".schema.sql";
}

} // namespace

int32_t WriteSchemaFile(ConversionSettings& settings, SqlDialect dialect) {
    std::string text, where, reason;
    if (!ChosenTablesSchema(settings, dialect, text, where, reason))
        return kOpenFailed;
    // Beside the old file until complete: a failed write leaves it as it was.
    const std::string path = SchemaFilePath(settings);
    const std::string temp = path + ".incomplete";
    platform::RemoveFile(temp);
    OutputFile file;
    bool written = file.OpenAppend(temp);
    if (written) {
        file.Write(text);
        file.EndRecord();
        written = file.Close();
    }
    if (!written || !platform::MoveFileOver(temp, path)) {
        platform::RemoveFile(temp);
        return kWriteFailed;
    }
    return 0;
}
