#pragma once
// Opens a database read-only and lists its user tables.

#include "engine/Settings.h"
#include "engine/TableListWindow.h"

#include <cstdint>
#include <string>
#include <string_view>

// 0: open and listed (or nothing to do); 1: the database could not be opened or listed.
// reason, when given, receives why on 1.
int32_t LoadDatabase(TableListWindow* window, ConversionSettings& settings, std::string_view path,
                     std::string* reason = nullptr);

// Closes the open database, if any, and lets it go. False when its Close
// failed: it is let go all the same, and a run counts the file as failed.
bool CloseDatabase(ConversionSettings& settings);
