#pragma once
// What every page of the wizard shares: the wizard buttons it enables, the
// presses a batch run makes by itself, the stage it writes to the status file
// and where the help file lives. The Win32 face turns these decisions into
// property-sheet messages; nothing here knows about windows.

#include "engine/Settings.h"

#include <string>
#include <string_view>

// Bits of the enabled-buttons mask, as the property sheet numbers them.
constexpr unsigned kWizardBack = 1;
constexpr unsigned kWizardNext = 2;
constexpr unsigned kWizardFinish = 4;

// The buttons a page can press as the user would, as the sheet numbers them.
enum class WizardPress { Next = 1, Finish = 2, Cancel = 5 };

// The property sheet around the pages. Both requests are posted, never sent:
// they take effect after the page's current message has been handled.
class WizardSheet {
public:
    virtual ~WizardSheet() = default;
    virtual void SetWizardButtons(unsigned mask) = 0;
    virtual void PressButton(WizardPress button) = 0;
};

// Status-file results of the stages.
extern const char* const kStatusWelcome;         // "Welcome dialog"
extern const char* const kStatusSourceSelection; // "Source file selection"
extern const char* const kStatusOutputSelection; // "Output file selection"
extern const char* const kStatusSuccessful;      // "Successful"
extern const char* const kStatusFailed;          // "Failed"

// The help file beside the program: the program's path (first command-line
// argument) with everything from its last separator replaced by
// "\wizards.chm"; a path without one gives "wizards.chm".
std::string HelpFilePath(std::string_view programPath);

// The first page: a batch run leaves it at once.
class WelcomePage {
public:
    WelcomePage(ConversionSettings& settings, WizardSheet& sheet);
    // Writes the stage and, in a batch run, presses Next.
    void Initialise();
    // Next only.
    void SetActive();

private:
    ConversionSettings& settings_;
    WizardSheet& sheet_;
};

// The welcome text; the ACE build names its wider choice of file types.
std::string_view WelcomeDescription(bool aceFiles);
