#include "wizard/pages/ProgressPage.h"

#include "engine/Run.h"

#include <cstdio>

std::string FormatTimes(int64_t elapsedSeconds, int64_t estimatedSeconds) {
    const auto hours = [](int64_t s) { return static_cast<unsigned long long>(s / 3600); };
    const auto minutes = [](int64_t s) { return static_cast<unsigned>(s / 60 % 60); };
    const auto seconds = [](int64_t s) { return static_cast<unsigned>(s % 60); };
    char text[128];
    std::snprintf(text, sizeof text, "Elapsed time:\t%02llu:%02u:%02u\nEstimated time:\t%02llu:%02u:%02u",
                  hours(elapsedSeconds), minutes(elapsedSeconds), seconds(elapsedSeconds),
                  hours(estimatedSeconds), minutes(estimatedSeconds), seconds(estimatedSeconds));
    return text;
}

std::optional<std::string> TimeDisplay::Update(int64_t startSeconds, int64_t nowSeconds, int32_t done,
                                               int32_t total) {
    if (nowSeconds == lastChange_ || done <= 0)
        return std::nullopt;
    lastChange_ = nowSeconds;
    const int64_t elapsed = nowSeconds - startSeconds;
    if (elapsed < 2)
        return std::nullopt;
    // Divided before multiplying, so that neither a long run nor a table of
    // two billion records can overflow the product.
    const int64_t count = total > 0 ? total : 0;
    const int64_t estimated = elapsed / done * count + elapsed % done * count / done;
    return FormatTimes(elapsed, estimated);
}

ProgressPage::ProgressPage(ConversionSettings& settings, WizardSheet& sheet) : settings_(settings), sheet_(sheet) {}

void ProgressPage::SetActive(ProgressDisplay& display) {
    sheet_.SetWizardButtons(0);
    settings_.ProgressWindow = &display;
}

void ProgressPage::RunWorker() { ConversionThread(settings_, &outcome_); }

void ProgressPage::WorkerNotStarted() {
    outcome_ = ConversionOutcome();
    outcome_.FilesFailed = 1;
    outcome_.Failures.push_back({settings_.SourcePath.str(), std::string(), "the conversion could not be started"});
    if (settings_.ProgressWindow)
        settings_.ProgressWindow->PressNext();
}

bool ProgressPage::QueryCancel() {
    settings_.StopRequested = 1;
    return true;
}
