#pragma once
// The wizard road. A build without a window system shows the usage text instead.

#include "engine/Settings.h"

// Returns the process exit code.
int RunWizard(ConversionSettings& settings, int argc, const char* const* argv);
