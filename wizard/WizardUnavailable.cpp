// Builds without a window system: the wizard road explains how to convert
// from the command line instead, and that is not a failure.

#include "platform/Platform.h"
#include "wizard/ProgramName.h"
#include "wizard/Usage.h"
#include "wizard/Wizard.h"

int RunWizard(ConversionSettings& /*settings*/, int argc, const char* const* argv) {
    ShowUsage(ProgramPath(argc, argv));
    return 0;
}

bool HasWizardWindow() { return false; }

void ShowUsageWindow(const std::string& text) { platform::ShowMessageBox(nullptr, text, platform::MessageOk); }
