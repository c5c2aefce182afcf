#include "tests/support/Environment.h"

#include <stdlib.h>

namespace testenv {

bool SetVariable(const char* name, const std::string& value) { return ::setenv(name, value.c_str(), 1) == 0; }

bool UnsetVariable(const char* name) { return ::unsetenv(name) == 0; }

} // namespace testenv
