#pragma once
// The program's name as its messages and the usage text show it.

#include <string>
#include <string_view>

// The last part of the path the program was started by ("varnex" when there
// is none), its control characters shown as escapes.
std::string ProgramBaseName(std::string_view programPath);
