#include "tests/support/MemoryDatabase.h"

std::unique_ptr<DBEngine> CreateDBEngine() { return std::make_unique<memdb::Engine>(); }
