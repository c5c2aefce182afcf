#pragma once
// The program's name as its messages and the usage text show it.

#include <string>
#include <string_view>

// The last part of the path the program was started by ("varnex" when there
// is none), its control characters shown as escapes.
std::string ProgramBaseName(std::string_view programPath);

// The path the program was started by: argv[0], empty when the runtime gave
// none.
inline std::string_view ProgramPath(int argc, const char* const* argv) {
    return argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "";
}
