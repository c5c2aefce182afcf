#pragma once
// --format=sqlite: the run's tables, with their keys, indexes and
// relationships, in one SQLite database file.

#include "engine/TableForm.h"

#include <memory>

std::unique_ptr<OutputForm> MakeSqliteForm();

// Whether this build can write SQLite files (it is built without SQLite
// where the library was not found).
bool SqliteInThisBuild();
