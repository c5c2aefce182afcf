#include "wizard/pages/ProgressPage.h"

ProgressPage::ProgressPage(ConversionSettings& settings, WizardSheet& sheet) : settings_(settings), sheet_(sheet) {}

void ProgressPage::SetActive(ProgressControls& controls, ProgressClock clock, void* owner) {
    sheet_.SetWizardButtons(0);
    display_ = std::make_unique<ThrottledProgress>(controls, std::move(clock), owner);
    settings_.ProgressWindow = display_.get();
}

void ProgressPage::RunWorker() {
    outcome_ = RunConversion(settings_, ConversionRoad::Wizard);
    if (display_)
        display_->Flush();
    sheet_.PressButton(WizardPress::Next);
}

void ProgressPage::WorkerNotStarted() {
    outcome_ = ConversionOutcome();
    outcome_.FilesFailed = 1;
    outcome_.Failures.push_back({settings_.SourcePath.str(), std::string(), "the conversion could not be started"});
    sheet_.PressButton(WizardPress::Next);
}

bool ProgressPage::QueryCancel() {
    settings_.StopRequested = 1;
    return true;
}
