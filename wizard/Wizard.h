#pragma once
// The wizard road, and how the usage text is shown. A build without a window
// system shows the usage text instead of the wizard.

#include "engine/Settings.h"

#include <string>

// Returns the process exit code.
int RunWizard(ConversionSettings& settings, int argc, const char* const* argv);
// Whether this build has the wizard's windows.
bool HasWizardWindow();
// Shows the usage text to a user who has no standard output to read.
void ShowUsageWindow(const std::string& text);
