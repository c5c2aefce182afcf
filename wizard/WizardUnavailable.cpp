// Builds without a window system: the wizard road explains how to convert
// from the command line instead, and that is not a failure.

#include "platform/Platform.h"
#include "wizard/Usage.h"
#include "wizard/Wizard.h"

int RunWizard(ConversionSettings& /*settings*/, int argc, const char* const* argv) {
    ShowUsage(argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "");
    return 0;
}

bool HasWizardWindow() { return false; }

void ShowUsageWindow(const std::string& text) { platform::ShowMessageBox(nullptr, text, platform::MessageOk); }
