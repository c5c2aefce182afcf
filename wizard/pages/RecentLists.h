#pragma once
// The recent databases and output folders the source and output pages offer,
// and the last of each, kept in the per-user registry (wizard/SavedSettings).

#include <optional>
#include <string>
#include <string_view>

extern const char* const kRecentDatabases;   // "MDBfiles"
extern const char* const kRecentFolders;     // "CSVdirs"
extern const char* const kLastDatabaseValue; // "LastMDBFile"
extern const char* const kLastFolderValue;   // "LastDir"

// The value, when it exists and fits; registry trouble reads as missing.
std::optional<std::string> LastDatabase();
std::optional<std::string> LastOutputFolder();

// A page left forwards with a valid choice: stores it as the last one and
// moves it to the head of its recent list. Failed writes are ignored.
void RememberDatabase(std::string_view path);
void RememberOutputFolder(std::string_view folder);
