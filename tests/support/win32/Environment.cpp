#include "tests/support/Environment.h"

#include <stdlib.h>

namespace testenv {

// An empty value is how the runtime removes a variable, so an empty value
// cannot be set here; no test needs one.
bool SetVariable(const char* name, const std::string& value) { return ::_putenv_s(name, value.c_str()) == 0; }

bool UnsetVariable(const char* name) { return ::_putenv_s(name, "") == 0; }

} // namespace testenv
