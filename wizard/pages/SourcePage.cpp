#include "wizard/pages/SourcePage.h"

#include "engine/LoadDatabase.h"
#include "engine/Report.h"
#include "engine/StatusFile.h"
#include "wizard/pages/RecentLists.h"

const char* const kUnableToOpenDatabase = "Unable to open this MDB file. ";

std::string DatabaseFileFilter(bool aceFiles) {
    using namespace std::string_literals;
    std::string filter = aceFiles ? "MDB (Access) files (*.mdb, *.accdb, *.accde, *.accdt, *.accdr)\0"
                                    "*.mdb;*.accdb;*.accde;*.accdt;*.accdr\0"s
                                  : "MDB (Access) files (*.mdb)\0*.mdb\0"s;
    filter += "All files (*.*)\0*.*\0\0"s;
    return filter;
}

std::string BuildTableList(const std::vector<std::string>& names) {
    std::size_t size = 1;
    for (const std::string& name : names)
        size += name.size() + 2;
    std::string list;
    list.reserve(size);
    for (const std::string& name : names)
        list.append(";").append(name).append(";");
    return list;
}

std::vector<std::string> SelectedTables(const SourceControls& controls) {
    std::vector<std::string> names;
    const int32_t count = controls.TableCount();
    for (int32_t i = 0; i < count; ++i)
        if (controls.IsTableSelected(i))
            names.push_back(controls.TableName(i));
    return names;
}

unsigned SourceButtons(bool anyTableSelected) { return kWizardBack | (anyTableSelected ? kWizardNext : 0u); }

namespace {

bool AnySelected(const SourceControls& controls) {
    const int32_t count = controls.TableCount();
    for (int32_t i = 0; i < count; ++i)
        if (controls.IsTableSelected(i))
            return true;
    return false;
}

} // namespace

SourcePage::SourcePage(ConversionSettings& settings, WizardSheet& sheet, SourceControls& controls)
    : settings_(settings), sheet_(sheet), controls_(controls) {}

void SourcePage::Initialise() {
    if (!settings_.Password.empty())
        controls_.SetPasswordText(settings_.Password);
    bool opened = true;
    if (!settings_.SourcePath.empty()) {
        // Emptying SourcePath makes LoadDatabase open the file even when the
        // password it reads back from the box is the one already stored.
        const std::string path = settings_.SourcePath.str();
        settings_.SourcePath.clear();
        controls_.SetPathText(path);
        opened = Load(path);
    } else if (const std::optional<std::string> last = LastDatabase()) {
        controls_.SetPathText(*last);
    }
    FillRecentList(controls_.RecentDatabases(), kRecentDatabases);
    WriteStatus(kStatusSourceSelection, settings_);
    if (!settings_.Batch)
        return;
    if (opened) {
        sheet_.PressButton(WizardPress::Next);
        return;
    }
    // Nobody watches a batch run's pages: waiting here would leave its
    // caller with neither an end nor a reason.
    settings_.Batch = 0;
    batchFailed_ = true;
    WriteStatusReason(reason_, settings_);
    WriteStatus(kStatusFailed, settings_);
    sheet_.PressButton(WizardPress::Cancel);
}

bool SourcePage::Load(std::string_view path) {
    reason_.clear();
    if (LoadDatabase(&controls_, settings_, path, &reason_) != 0) {
        if (reason_.empty())
            reason_ = "cannot be opened";
        controls_.ShowReason(reason_);
        return false;
    }
    controls_.ShowReason("");
    // The tables named on the command line narrow the list of that database
    // only; one the user opens afterwards lists all of its tables.
    settings_.Tables.reset();
    return true;
}

void SourcePage::SetActive() { sheet_.SetWizardButtons(kWizardBack | kWizardNext); }

bool SourcePage::OpenChosenFile(std::string_view path) {
    controls_.SetPathText(path);
    return Load(path);
}

void SourcePage::PathOrPasswordChanged(std::string_view pathText) {
    if (!pathText.empty())
        Load(pathText);
}

void SourcePage::SelectAllTables() { controls_.SelectAll(); }

void SourcePage::SelectNoTables() { controls_.SelectNone(); }

void SourcePage::AfterCommand() { sheet_.SetWizardButtons(SourceButtons(AnySelected(controls_))); }

bool SourcePage::WizardNext() {
    const std::vector<std::string> chosen = SelectedTables(controls_);
    if (chosen.empty()) {
        settings_.Batch = 0;
        return false;
    }
    settings_.TableList = BuildTableList(chosen);
    RememberDatabase(settings_.SourcePath);
    return true;
}
