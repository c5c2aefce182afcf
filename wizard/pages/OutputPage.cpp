#include "wizard/pages/OutputPage.h"

#include "engine/Report.h"
#include "wizard/pages/RecentLists.h"

#include <iterator>

const char* const kFieldDelimiterNames[5] = {",", ";", "TAB", "NONE", "PIPE"};
const char* const kRecordDelimiterNames[4] = {"CRLF", "CR", "LF", "NONE"};
const char* const kTrimmingEntries[3] = {"Keep spaces", "Remove trailing spaces", "Remove leading and traling spaces"};
const char* const kFolderBrowserTitle = "Please specify the output directory";

namespace {

template <std::size_t N>
ListChoice NamedChoice(const char* const (&names)[N], std::string_view current) {
    ListChoice choice;
    for (std::size_t i = 0; i < N; ++i) {
        choice.Entries.emplace_back(names[i]);
        if (choice.Selected < 0 && EqualsNoCase(current, names[i]))
            choice.Selected = static_cast<int32_t>(i);
    }
    if (choice.Selected < 0) {
        choice.Entries.emplace_back(current);
        choice.Selected = static_cast<int32_t>(N);
    }
    return choice;
}

template <std::size_t N>
ListChoice IndexedChoice(const char* const (&names)[N], int32_t index) {
    ListChoice choice;
    choice.Entries.assign(std::begin(names), std::end(names));
    choice.Selected = index >= 0 && static_cast<std::size_t>(index) < N ? index : -1;
    return choice;
}

int32_t ToggleValue(bool checked) { return checked ? 1 : 0; }

} // namespace

ListChoice FieldDelimiterChoice(std::string_view fields) { return NamedChoice(kFieldDelimiterNames, fields); }
ListChoice RecordDelimiterChoice(std::string_view records) { return NamedChoice(kRecordDelimiterNames, records); }
ListChoice DateFormatChoice(int32_t dateFormat) { return IndexedChoice(kDateFormatKeywords, dateFormat); }
ListChoice TrimmingChoice(int32_t removeTrail) { return IndexedChoice(kTrimmingEntries, removeTrail); }

int32_t DateFormatForDateOrder(std::string_view shortDateOrder) {
    // The locale gives the order as a decimal text; read it as the runtime's
    // atoi would, leading digits only.
    int32_t order = 0;
    for (std::size_t i = 0; i < shortDateOrder.size() && i < 9; ++i) {
        const char c = shortDateOrder[i];
        if (c < '0' || c > '9')
            break;
        order = order * 10 + (c - '0');
    }
    if (order == 1)
        return 1;
    if (order == 2)
        return 3;
    return 2;
}

std::string DirectoryFromBox(std::string_view text) {
    std::string folder(text.substr(0, std::min(text.size(), kDirectoryReadLimit - 1)));
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

unsigned OutputButtons(std::string_view directoryText) {
    return kWizardBack | (directoryText.empty() ? 0u : kWizardNext);
}

int32_t CodePageButton(int32_t codePage) { return codePage >= 0 && codePage <= 2 ? codePage : -1; }

OutputPage::OutputPage(ConversionSettings& settings, WizardSheet& sheet) : settings_(settings), sheet_(sheet) {}

OutputPageView OutputPage::Initialise(std::string_view shortDateOrder, RecentListBox& recentFolders) {
    OutputPageView view;
    view.FieldDelimiters = FieldDelimiterChoice(settings_.Fields);
    view.RecordDelimiters = RecordDelimiterChoice(settings_.Records);
    view.Escape = settings_.Escape.str();
    view.DoubleQuotes = settings_.DoubleQuotes != 0;
    view.RemoveCRLF = settings_.RemoveCRLF != 0;
    view.OverWrite = settings_.OverWrite != 0;
    view.Header = settings_.Header != 0;
    if (settings_.DateFormat == -1)
        settings_.DateFormat = DateFormatForDateOrder(shortDateOrder);
    view.DateFormats = DateFormatChoice(settings_.DateFormat);
    view.Trimming = TrimmingChoice(settings_.RemoveTrail);
    view.CodePageButton = CodePageButton(settings_.CodePage);
    if (!settings_.OutputPath.empty())
        view.Directory = settings_.OutputPath.str();
    else if (const std::optional<std::string> last = LastOutputFolder())
        view.Directory = *last;
    // The folder shown is the folder Next goes on with, whether or not the box
    // reports the text it was given: a batch run relies on the last folder.
    if (!view.Directory.empty())
        settings_.OutputPath = DirectoryFromBox(view.Directory);
    FillRecentList(recentFolders, kRecentFolders);
    WriteStatus(kStatusOutputSelection, settings_);
    if (settings_.Batch)
        sheet_.PressButton(WizardPress::Next);
    return view;
}

void OutputPage::SetActive() { sheet_.SetWizardButtons(kWizardBack | kWizardNext); }

void OutputPage::OverWriteClicked(bool checked) { settings_.OverWrite = ToggleValue(checked); }
void OutputPage::RemoveCRLFClicked(bool checked) { settings_.RemoveCRLF = ToggleValue(checked); }
void OutputPage::DoubleQuotesClicked(bool checked) { settings_.DoubleQuotes = ToggleValue(checked); }
void OutputPage::HeaderClicked(bool checked) { settings_.Header = ToggleValue(checked); }
void OutputPage::TrimmingChosen(int32_t index) { settings_.RemoveTrail = index; }
void OutputPage::DateFormatChosen(int32_t index) { settings_.DateFormat = index; }
void OutputPage::CodePageChosen(int32_t codePage) { settings_.CodePage = codePage; }

void OutputPage::AfterCommand(std::string_view directoryText) {
    // A lone backslash still counts as typed: it enables Next, and Next then
    // refuses the empty folder it leaves.
    if (!directoryText.empty())
        settings_.OutputPath = DirectoryFromBox(directoryText);
    sheet_.SetWizardButtons(OutputButtons(directoryText));
}

bool OutputPage::WizardNext(std::string_view fieldsText, std::string_view recordsText, std::string_view escapeText) {
    if (settings_.OutputPath.empty()) {
        settings_.Batch = 0;
        return false;
    }
    RememberOutputFolder(settings_.OutputPath);
    const auto boxText = [](std::string_view text) { return text.substr(0, std::min(text.size(), kBoxReadLimit)); };
    ResolveFieldDelimiter(settings_, boxText(fieldsText));
    ResolveRecordDelimiter(settings_, boxText(recordsText));
    settings_.Escape = boxText(escapeText);
    return true;
}
