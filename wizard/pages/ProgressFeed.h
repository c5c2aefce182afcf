#pragma once
// The progress page's display. The run reports every record (or every block
// of records) from its writing thread; redrawing a control for each of them
// would cost more than the conversion itself, so the controls are brought up
// to date at most once per gap, and once more when the run is over so that
// they end as a redraw per record would have left them.

#include "engine/ProgressDisplay.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// "Elapsed time:\t%02u:%02u:%02u\nEstimated time:\t%02u:%02u:%02u"; hours
// are not wrapped at 24.
std::string FormatTimes(int64_t elapsedSeconds, int64_t estimatedSeconds);

// The elapsed and estimated time of the table being converted. The text
// changes at most once per second and not before two whole seconds have
// passed; the estimate is the duration of the whole table.
class TimeDisplay {
public:
    // Times in whole seconds since 1970; done: records of this table written
    // so far. Empty when the text is to stay as it is.
    std::optional<std::string> Update(int64_t startSeconds, int64_t nowSeconds, int32_t done, int32_t total);

private:
    int64_t lastChange_ = 0;
};

// The page's three controls that follow the run.
class ProgressControls {
public:
    virtual ~ProgressControls() = default;
    virtual void ShowFileText(std::string_view text) = 0;
    virtual void ShowBar(int32_t range, int32_t position) = 0;
    virtual void ShowTimes(std::string_view text) = 0;
};

struct ProgressClock {
    std::function<int64_t()> Milliseconds; // a clock that never goes back
    std::function<int64_t()> Seconds;      // since 1970, as the time texts count
};

class ThrottledProgress final : public ProgressDisplay {
public:
    // 20 redraws a second at most.
    static constexpr int64_t kGapMilliseconds = 50;

    ThrottledProgress(ProgressControls& controls, ProgressClock clock, void* owner)
        : controls_(controls), clock_(std::move(clock)), owner_(owner) {}

    void* Handle() const override { return owner_; }
    void SetCurrentFileText(std::string_view text) override;
    void ProgressStartTable(int32_t records) override;
    void ProgressRecords(int32_t written) override;
    void ProgressEndTable() override;
    // The run is over: whatever changed since the last redraw is shown now.
    void Flush();

private:
    void RedrawIfDue();
    void Redraw();
    void UpdateTimes();

    ProgressControls& controls_;
    ProgressClock clock_;
    void* owner_;
    TimeDisplay times_;
    std::string file_;
    std::string shownFile_; // the page's box starts empty
    int32_t range_ = 0;
    int32_t position_ = 0;
    int32_t shownRange_ = 0; // as the page's bar starts
    int32_t shownPosition_ = 0;
    int64_t tableStart_ = 0;
    bool tableOpen_ = false;
    std::optional<int64_t> lastRedraw_;
};
