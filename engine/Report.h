#pragma once
// The activity log, the status file and the error report.

#include "core/Database.h"
#include "engine/Settings.h"

#include <string>
#include <string_view>

#include "platform/Platform.h"

// wizards.log in the folder; empty without a folder.
std::string ActivityLogPath(const std::string& folder);
// Appends one dated entry to wizards.log in the application-data folder.
void WriteLog(std::string_view label, std::string_view message);
// The same, into wizards.log of the given folder at the given time.
void WriteLog(const std::string& folder, const platform::LocalTime& time, std::string_view label,
              std::string_view message);
// The entry's text, as written after the file's previous contents.
std::string FormatLogEntry(const platform::LocalTime& time, std::string_view label, std::string_view message);
// Writes Result = text in section Varnex of the status file, when one is named.
// False when a status file is named and could not be written.
bool WriteStatus(std::string_view text, const ConversionSettings& settings);
// The engine's own words for an error, on one line: its description, or the
// meaning of its code when it has none.
std::string DescribeError(const EngineError& error);
// Notes that a table (or, with an empty name, the database itself) of the
// database in SourcePath did not convert.
void RecordFailure(ConversionSettings& settings, std::string_view table, std::string reason);
// The four-line report text of an engine error (at most 511 bytes).
std::string FormatComError(const EngineError& error);
void ReportComError(void* owner, const EngineError& error);
