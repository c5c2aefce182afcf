#include "wizard/pages/CompletionPage.h"

#include "engine/OutputNames.h"
#include "engine/Report.h"
#include "platform/Platform.h"
#include "wizard/SavedSettings.h"

#include <algorithm>
#include <utility>

const char* const kNothingExported = "0 records have been exported.";
const char* const kParametersCaption = "Press Ctrl-C to copy command line parameters to the clipboard";

std::string ResultLine(int32_t tablesDone, int32_t recordsDone) {
    if (tablesDone == 0)
        return kNothingExported;
    return std::to_string(tablesDone) + " tables (" + std::to_string(recordsDone) + " records) have been imported.";
}

const char* CompletionStatus(const ConversionOutcome& outcome) {
    // The run has already written "Failed" where a table failed; the page must
    // not paper over it, or a script watching the status file sees success.
    return outcome.Succeeded() ? kStatusSuccessful : kStatusFailed;
}

std::string FailureSummary(const ConversionOutcome& outcome, std::size_t maxLines) {
    std::string text;
    std::size_t shown = 0;
    for (const ConversionFailure& failure : outcome.Failures) {
        if (shown == maxLines)
            break;
        std::string line;
        for (const std::string* part : {&failure.Database, &failure.Table, &failure.Reason}) {
            if (part->empty())
                continue;
            if (!line.empty())
                line += ": ";
            line += *part;
        }
        if (!text.empty())
            text += '\n';
        text += line;
        ++shown;
    }
    if (shown < outcome.Failures.size())
        text += "\n... and " + std::to_string(outcome.Failures.size() - shown) + " more";
    return text;
}

std::string NoteSummary(const ConversionOutcome& outcome, std::size_t maxLines) {
    std::string text;
    for (std::size_t i = 0; i < outcome.Notes.size() && i < maxLines; ++i) {
        if (!text.empty())
            text += '\n';
        text += outcome.Notes[i];
    }
    if (outcome.Notes.size() > maxLines)
        text += "\n... and " + std::to_string(outcome.Notes.size() - maxLines) + " more";
    return text;
}

std::string CompletionFailureText(const ConversionOutcome& outcome) {
    std::string text;
    const auto addLine = [&text](const std::string& line) {
        if (!text.empty() && text.back() != '\n')
            text += '\n';
        text += line;
    };
    if (outcome.FilesFailed > 0)
        addLine(std::to_string(outcome.FilesFailed) + " database(s) could not be read.");
    if (outcome.TablesFailed > 0)
        addLine(std::to_string(outcome.TablesFailed) + " table(s) could not be converted.");
    const std::string details = FailureSummary(outcome, 2);
    if (!details.empty())
        addLine(details);
    // A stopped run reaches this page in a batch run (Ctrl+Break, a signal):
    // whoever finds the file shorter than the table learns why here.
    constexpr std::size_t kWarningsShown = 2;
    for (std::size_t i = 0; i < outcome.Warnings.size() && i < kWarningsShown; ++i)
        addLine(outcome.Warnings[i]);
    if (outcome.Warnings.size() > kWarningsShown)
        addLine("... and " + std::to_string(outcome.Warnings.size() - kWarningsShown) + " more");
    // A table written under another name than its own is found there.
    const std::string notes = NoteSummary(outcome, 2);
    if (!notes.empty())
        addLine(notes);
    return text;
}

std::vector<std::string> FilesToOpen(ConversionSettings& settings) {
    std::vector<std::string> files;
    if (!settings.TableList)
        return files;
    const std::string& list = *settings.TableList;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string_view table = std::string_view(list).substr(start, end - start);
        start = end + 1;
        if (table.empty())
            continue;
        if (settings.OutputFileName) {
            files.push_back(std::move(*settings.OutputFileName));
            settings.OutputFileName.reset();
            continue;
        }
        // The name the run gave the table's file, which may not be its own.
        files.push_back(TableFileIn(settings, settings.OutputPath.str(), table));
    }
    return files;
}

std::string OpenAsParameters(std::string_view file) {
    std::string parameters = "shell32,OpenAs_RunDLL ";
    parameters += file;
    return parameters;
}

namespace {

// One option as the command line takes it. A value with a blank would split
// into two arguments, so such an item goes in double quotes, written the way
// the runtime's splitting reads them back: a quote inside is preceded by a
// backslash, and backslashes before any quote are doubled.
std::string Item(std::string_view option) {
    std::string item;
    if (option.find_first_of(" \t\"") == std::string_view::npos) {
        item.append(option);
    } else {
        item += '"';
        std::size_t backslashes = 0;
        for (const char c : option) {
            if (c == '\\') {
                ++backslashes;
            } else {
                if (c == '"')
                    item.append(backslashes + 1, '\\');
                backslashes = 0;
            }
            item += c;
        }
        item.append(backslashes, '\\');
        item += '"';
    }
    item += ' ';
    return item;
}

} // namespace

std::string ParameterText(const ConversionSettings& settings, int32_t* omittedRules) {
    std::string head;
    head += Item(settings.OverWrite != 0 ? "/OVERWRITE=1" : "/OVERWRITE=0");
    // Every date format has its option, so a copied command line keeps the
    // format the wizard showed rather than whatever was saved.
    if (settings.DateFormat >= 0 && settings.DateFormat <= 9)
        head += Item(std::string("/") + kDateFormatKeywords[settings.DateFormat]);
    static const char* const codePages[] = {"/ASIS", "/ANSI", "/OEM"};
    if (settings.CodePage >= 0 && settings.CodePage <= 2)
        head += Item(codePages[settings.CodePage]);
    if (settings.ExportRecords == 0)
        head += Item("/RECORDS=0");
    if (settings.MaxLen != 0)
        head += Item("/MAXLEN=" + std::to_string(settings.MaxLen));
    if (!settings.Order.empty())
        head += Item("/ORDER=" + settings.Order.str());

    std::string tail;
    if (!settings.StatusFile.empty())
        tail += Item("/STATUS=" + settings.StatusFile.str());
    tail += Item(settings.Open != 0 ? "/OPEN=1" : "/OPEN=0");
    if (settings.Batch)
        tail += Item("/BATCH");
    if (settings.Wait)
        tail += Item("/WAIT");
    tail += "\n";
    tail += Item("/SILENT");

    // The fixed items are short and bounded by their fields' capacities; only
    // the type-change rules can outgrow the text, and a rule is never cut.
    const std::size_t room = kParameterTextLimit - 1;
    std::string text = std::move(head);
    int32_t omitted = 0;
    for (const std::string& rule : settings.TypeChanges) {
        const std::string item = Item("/CT:" + rule);
        if (text.size() + item.size() + tail.size() <= room)
            text += item;
        else
            ++omitted;
    }
    text += tail;
    if (omittedRules)
        *omittedRules = omitted;
    return text;
}

CompletionPage::CompletionPage(ConversionSettings& settings, WizardSheet& sheet, std::string settingsFile)
    : settings_(settings), sheet_(sheet), settingsFile_(std::move(settingsFile)) {}

bool CompletionPage::Initialise() {
    if (settings_.Batch && !settings_.Wait)
        sheet_.PressButton(WizardPress::Finish);
    return settings_.Open != 0;
}

std::string CompletionPage::SetActive(const ConversionOutcome& outcome) {
    WriteStatus(CompletionStatus(outcome), settings_);
    sheet_.SetWizardButtons(kWizardFinish);
    return ResultLine(outcome.TablesDone, outcome.RecordsDone);
}

void CompletionPage::WizardFinish(bool saveSettings, bool openFiles, FileOpener& opener) {
    if (saveSettings)
        SaveSettings(settings_, settingsFile_);
    if (!openFiles)
        return;
    for (const std::string& file : FilesToOpen(settings_)) {
        // A table that failed before its file was written has nothing to
        // show; opening it would only bring up the open-with dialog for a
        // file that is not there.
        if (std::find(settings_.FilesWritten.begin(), settings_.FilesWritten.end(), file) ==
            settings_.FilesWritten.end())
            continue;
        if (!opener.Open(file))
            opener.OpenWith(OpenAsParameters(file));
    }
}
