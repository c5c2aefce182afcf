#include "wizard/pages/RecentLists.h"

#include "wizard/SavedSettings.h"

const char* const kRecentDatabases = "MDBfiles";
const char* const kRecentFolders = "CSVdirs";
const char* const kLastDatabaseValue = "LastMDBFile";
const char* const kLastFolderValue = "LastDir";

namespace {

std::optional<std::string> ReadValue(const char* name) {
    std::string value;
    if (!ReadRegistryValue(name, value))
        return std::nullopt;
    return value;
}

void Remember(const char* lastValue, const char* list, std::string_view path) {
    WriteRegistryValue(lastValue, path);
    AddRecentEntry(path, list);
}

} // namespace

std::optional<std::string> LastDatabase() { return ReadValue(kLastDatabaseValue); }
std::optional<std::string> LastOutputFolder() { return ReadValue(kLastFolderValue); }

void RememberDatabase(std::string_view path) { Remember(kLastDatabaseValue, kRecentDatabases, path); }
void RememberOutputFolder(std::string_view folder) { Remember(kLastFolderValue, kRecentFolders, folder); }
