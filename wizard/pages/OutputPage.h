#pragma once
// The output options page: the output folder, the delimiters and the options
// of the cells. Each control's change goes into the record at once; the
// delimiter and escape boxes are read only on Next, when their names become
// the characters the run writes.

#include "engine/Settings.h"
#include "wizard/SavedSettings.h"
#include "wizard/pages/PageRules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern const char* const kFieldDelimiterNames[5];  // ",", ";", "TAB", "NONE", "PIPE"
extern const char* const kRecordDelimiterNames[4]; // "CRLF", "CR", "LF", "NONE"
extern const char* const kTrimmingEntries[3];
// The date list shows kDateFormatKeywords (engine/Settings.h), index = DateFormat.

// Typing into the delimiter and escape boxes stops at this many characters.
constexpr int kTypedTextLimit = 16;
// On Next the boxes are read up to this many characters.
constexpr std::size_t kBoxReadLimit = 30;
// The directory box is read up to this many characters.
constexpr std::size_t kDirectoryReadLimit = 260;

extern const char* const kFolderBrowserTitle; // "Please specify the output directory"

// A drop-down list's entries and the one selected (-1: none).
struct ListChoice {
    std::vector<std::string> Entries;
    int32_t Selected = -1;
};

// The fixed names, and the current value as one more entry when no name
// equals it (letter case aside).
ListChoice FieldDelimiterChoice(std::string_view fields);
ListChoice RecordDelimiterChoice(std::string_view records);
// The ten date formats and the three trimming modes, with the index selected
// (-1 when the index is not one of them).
ListChoice DateFormatChoice(int32_t dateFormat);
ListChoice TrimmingChoice(int32_t removeTrail);

// The date format preselected when none was chosen yet, from the system's
// short-date order as the locale gives it (a decimal text): day-month-year
// ("1") gives 1, year-month-day ("2") gives 3, anything else 2.
int32_t DateFormatForDateOrder(std::string_view shortDateOrder);

// The directory box's text as OutputPath takes it: cut to what the box gives,
// one trailing backslash removed.
std::string DirectoryFromBox(std::string_view text);
// Back, and Next when the directory box is not empty.
unsigned OutputButtons(std::string_view directoryText);

// The code-page radio button to check: 0 to 2, or -1 for none.
int32_t CodePageButton(int32_t codePage);

// What the controls show once the page has been initialised.
struct OutputPageView {
    ListChoice FieldDelimiters;
    ListChoice RecordDelimiters;
    ListChoice DateFormats;
    ListChoice Trimming;
    std::string Escape;
    bool RemoveCRLF = false;
    bool DoubleQuotes = false;
    bool OverWrite = false;
    bool Header = false;
    int32_t CodePageButton = -1;
    std::string Directory; // OutputPath, else the last folder, else empty
};

class OutputPage {
public:
    OutputPage(ConversionSettings& settings, WizardSheet& sheet);

    // Sets DateFormat from shortDateOrder when none was chosen yet, takes the
    // folder shown (OutputPath, else the last folder) as OutputPath, fills the
    // recent folders, writes the stage and, in a batch run, presses Next.
    // The face shows the returned view and limits the typed boxes.
    OutputPageView Initialise(std::string_view shortDateOrder, RecentListBox& recentFolders);
    // Back and Next.
    void SetActive();

    // The option controls, each with its state after the click or choice.
    void OverWriteClicked(bool checked);
    void RemoveCRLFClicked(bool checked);
    void DoubleQuotesClicked(bool checked);
    void HeaderClicked(bool checked);
    void TrimmingChosen(int32_t index);
    void DateFormatChosen(int32_t index);
    void CodePageChosen(int32_t codePage);
    // Browse: the picked folder, as the directory box is to show it.
    static std::string ChosenFolder(std::string_view path) { return DirectoryFromBox(path); }

    // After every command (the directory box's own included), with the
    // directory box's text: a non-empty one becomes OutputPath.
    void AfterCommand(std::string_view directoryText);

    // The delimiter and escape boxes' texts as typed. False: refused (no
    // output folder); the batch walk ends here.
    bool WizardNext(std::string_view fieldsText, std::string_view recordsText, std::string_view escapeText);

private:
    ConversionSettings& settings_;
    WizardSheet& sheet_;
};
