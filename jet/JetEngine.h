#pragma once
// Our Access reader as a database engine.

#include "core/Database.h"

#include <memory>

// openAce: whether ACE (.accdb) files are opened; a Jet-only engine refuses them.
std::unique_ptr<DBEngine> CreateJetEngine(bool openAce);
