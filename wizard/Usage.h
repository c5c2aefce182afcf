#pragma once
// What the program prints when it is asked for help, or when this build has
// no wizard to show.

#include <string>
#include <string_view>

// programName: how the user started the program; its last path component is shown.
std::string UsageText(std::string_view programName);
// Writes the usage text to standard output, or shows it in a message box
// when nobody would see standard output (a Windows GUI program started from
// a window).
void ShowUsage(std::string_view programName);
