#pragma once
// The progress page: hands the run its display, runs the conversion on the
// worker thread and moves on to the completion page when the run ends.

#include "engine/Conversion.h"
#include "engine/Settings.h"
#include "wizard/pages/PageRules.h"
#include "wizard/pages/ProgressFeed.h"

#include <memory>

class ProgressPage {
public:
    ProgressPage(ConversionSettings& settings, WizardSheet& sheet);

    // Disables every wizard button and gives the run a display that drives
    // controls (owner: the page's window, for message boxes). The face then
    // starts one worker thread that calls RunWorker.
    void SetActive(ProgressControls& controls, ProgressClock clock, void* owner);
    // The worker thread's body: the run over the tables the source page
    // chose, whose outcome is kept for the completion page, and the controls
    // brought up to date, before Next is pressed.
    void RunWorker();
    // No worker thread could be started: the outcome is a failed run, and
    // Next is pressed so the completion page says so.
    void WorkerNotStarted();
    // Cancel: asks the run to stop at its next test. True: let the wizard close.
    bool QueryCancel();

    // Valid once the worker has pressed Next.
    const ConversionOutcome& Outcome() const { return outcome_; }

private:
    ConversionSettings& settings_;
    WizardSheet& sheet_;
    std::unique_ptr<ThrottledProgress> display_;
    ConversionOutcome outcome_;
};
