#pragma once
// The progress page: hands the run its display, runs the conversion on the
// worker thread and moves on to the completion page when the run ends.

#include "engine/Conversion.h"
#include "engine/Settings.h"
#include "wizard/pages/PageRules.h"

#include <cstdint>
#include <optional>
#include <string>

// "Elapsed time:\t%02u:%02u:%02u\nEstimated time:\t%02u:%02u:%02u"; hours
// are not wrapped at 24.
std::string FormatTimes(int64_t elapsedSeconds, int64_t estimatedSeconds);

// The elapsed and estimated time of the table being converted. The text
// changes at most once per second and not before two whole seconds have
// passed; the estimate is the duration of the whole table.
class TimeDisplay {
public:
    // Times in whole seconds since 1970; done: records of this table written
    // before this one. Empty when the text is to stay as it is.
    std::optional<std::string> Update(int64_t startSeconds, int64_t nowSeconds, int32_t done, int32_t total);

private:
    int64_t lastChange_ = 0;
};

class ProgressPage {
public:
    ProgressPage(ConversionSettings& settings, WizardSheet& sheet);

    // Disables every wizard button and gives the run its display. The face
    // then starts one worker thread that calls RunWorker.
    void SetActive(ProgressDisplay& display);
    // The worker thread's body: the run, whose outcome is kept for the
    // completion page before Next is pressed.
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
    ConversionOutcome outcome_;
};
