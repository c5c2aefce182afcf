#pragma once
// The database and tables page: opens the database named on the command line
// or chosen by the user, lists its tables and, on Next, writes the chosen
// ones into TableList.

#include "engine/Settings.h"
#include "engine/TableListWindow.h"
#include "wizard/SavedSettings.h"
#include "wizard/pages/PageRules.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Shown when a database chosen through Browse does not open (trailing blank included).
extern const char* const kUnableToOpenDatabase; // "Unable to open this MDB file. "

// The open-file dialog's filter: description and pattern pairs, each ended by
// a NUL, the whole ended by a second NUL.
std::string DatabaseFileFilter(bool aceFiles);

// The page's controls as its logic needs them. The table list keeps its
// entries sorted; LoadDatabase fills it through TableListWindow.
class SourceControls : public TableListWindow {
public:
    virtual void SetPathText(std::string_view path) = 0;
    virtual void SetPasswordText(std::string_view password) = 0;
    // The path box's drop-down.
    virtual RecentListBox& RecentDatabases() = 0;
    // The table list in the order it shows.
    virtual int32_t TableCount() const = 0;
    virtual std::string TableName(int32_t index) const = 0;
    virtual bool IsTableSelected(int32_t index) const = 0;
    virtual void SelectNone() = 0;
    // The line under the table list: why the list is empty, or nothing.
    virtual void ShowReason(std::string_view reason) = 0;
};

// ;A;;B; for the names A and B, in the order given.
std::string BuildTableList(const std::vector<std::string>& names);
// The selected entries, in list order.
std::vector<std::string> SelectedTables(const SourceControls& controls);
// Back, and Next when at least one table is selected.
unsigned SourceButtons(bool anyTableSelected);

class SourcePage {
public:
    SourcePage(ConversionSettings& settings, WizardSheet& sheet, SourceControls& controls);

    // Puts the password and path into their boxes, opens a database named on
    // the command line (or shows the last one, unopened), fills the recent
    // list, writes the stage and, in a batch run, presses Next; a batch run
    // whose database did not open ends instead: the reason and "Failed" go
    // to the status file and Cancel is pressed.
    void Initialise();
    // Back and Next.
    void SetActive();

    // Browse picked a file: it goes into the path box and is opened. False
    // when it did not open; the face then shows kUnableToOpenDatabase.
    bool OpenChosenFile(std::string_view path);
    // Any notification of the path or password box, with the path text the
    // face read (the newly selected entry on a selection change). An empty
    // text does nothing; a failure leaves the list empty and shows why.
    void PathOrPasswordChanged(std::string_view pathText);
    // The "+" and "-" buttons.
    void SelectAllTables();
    void SelectNoTables();
    // After every command, whatever its control.
    void AfterCommand();

    // False: Next is refused (nothing selected); the batch walk ends here.
    bool WizardNext();

    // True once a batch run ended here because its database did not open.
    bool BatchFailed() const { return batchFailed_; }

private:
    bool Load(std::string_view path);

    ConversionSettings& settings_;
    WizardSheet& sheet_;
    SourceControls& controls_;
    std::string reason_;
    bool batchFailed_ = false;
};
