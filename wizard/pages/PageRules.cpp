#include "wizard/pages/PageRules.h"

#include "engine/Report.h"

const char* const kStatusWelcome = "Welcome dialog";
const char* const kStatusSourceSelection = "Source file selection";
const char* const kStatusOutputSelection = "Output file selection";
const char* const kStatusSuccessful = "Successful";
const char* const kStatusFailed = "Failed";

std::string HelpFilePath(std::string_view programPath) {
    // The program's path comes from the command line as Windows splits it,
    // so a forward slash may separate its folders as well.
    const std::size_t cut = programPath.find_last_of("\\/");
    if (cut == std::string_view::npos)
        return "wizards.chm";
    std::string path(programPath.substr(0, cut));
    path += '\\';
    path += "wizards.chm";
    return path;
}

WelcomePage::WelcomePage(ConversionSettings& settings, WizardSheet& sheet) : settings_(settings), sheet_(sheet) {}

void WelcomePage::Initialise() {
    WriteStatus(kStatusWelcome, settings_);
    if (settings_.Batch)
        sheet_.PressButton(WizardPress::Next);
}

void WelcomePage::SetActive() { sheet_.SetWizardButtons(kWizardNext); }

std::string_view WelcomeDescription(bool aceFiles) {
    if (aceFiles)
        return "This program helps you convert your Access (.mdb, .accdb, .accde, .accdt, .accdr) files to Comma "
               "Separated Values (.csv) format.\n\nIt is easy. Just follow the program instructions.";
    return "This program helps you convert your Access (.mdb) files to Comma Separated Values (.csv) format.\n\n"
           "It is easy. Just follow the program instructions.";
}
