#include "jet/JetEngine.h"

std::unique_ptr<DBEngine> CreateDBEngine() { return CreateJetEngine(false); }
