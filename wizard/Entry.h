#pragma once
// The program's start, shared by every platform's entry point: fills the one
// settings record of the process and takes the wizard or the unattended road.

#include "engine/Settings.h"

#include <string>
#include <vector>

// argv[0] is the program's own path, as the runtime splits the command line.
// Returns the process exit code.
int RunProgram(int argc, const char* const* argv);

// The unattended road: converts what SourcePath names without any window.
// 0 when every matching database opened and every table was written, else 1;
// 128 + the signal's number when an interrupt stopped the run. Each failure
// and warning is one line on stderr. shortArguments: the command line's
// arguments too short to be taken as a path, named when the run has no output.
int RunUnattended(ConversionSettings& settings, const std::vector<std::string>& shortArguments = {});

// True when the options ask for the unattended road rather than the wizard.
bool RunsUnattended(const ConversionSettings& settings);
