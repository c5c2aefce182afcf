#include "wizard/pages/ProgressFeed.h"

#include <cstdio>

std::string FormatTimes(int64_t elapsedSeconds, int64_t estimatedSeconds) {
    const auto hours = [](int64_t s) { return static_cast<unsigned long long>(s / 3600); };
    const auto minutes = [](int64_t s) { return static_cast<unsigned>(s / 60 % 60); };
    const auto seconds = [](int64_t s) { return static_cast<unsigned>(s % 60); };
    char text[128];
    std::snprintf(text, sizeof text, "Elapsed time:\t%02llu:%02u:%02u\nEstimated time:\t%02llu:%02u:%02u",
                  hours(elapsedSeconds), minutes(elapsedSeconds), seconds(elapsedSeconds), hours(estimatedSeconds),
                  minutes(estimatedSeconds), seconds(estimatedSeconds));
    return text;
}

std::optional<std::string> TimeDisplay::Update(int64_t startSeconds, int64_t nowSeconds, int32_t done, int32_t total) {
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

void ThrottledProgress::SetCurrentFileText(std::string_view text) {
    file_ = std::string(text);
    RedrawIfDue();
}

void ThrottledProgress::ProgressStartTable(int32_t records) {
    range_ = records;
    position_ = 0;
    tableStart_ = clock_.Seconds();
    tableOpen_ = true;
    RedrawIfDue();
}

void ThrottledProgress::ProgressRecords(int32_t written) {
    position_ = written;
    RedrawIfDue();
}

void ThrottledProgress::ProgressEndTable() {
    RedrawIfDue();
    // The table's last second counts, as it would record by record; the text
    // changes once a second at most, so this cannot flood the page.
    UpdateTimes();
    tableOpen_ = false;
}

void ThrottledProgress::Flush() { Redraw(); }

void ThrottledProgress::RedrawIfDue() {
    const int64_t now = clock_.Milliseconds();
    if (lastRedraw_ && now - *lastRedraw_ < kGapMilliseconds)
        return;
    lastRedraw_ = now;
    Redraw();
}

void ThrottledProgress::Redraw() {
    if (shownFile_ != file_) {
        controls_.ShowFileText(file_);
        shownFile_ = file_;
    }
    if (range_ != shownRange_ || position_ != shownPosition_) {
        controls_.ShowBar(range_, position_);
        shownRange_ = range_;
        shownPosition_ = position_;
    }
    UpdateTimes();
}

void ThrottledProgress::UpdateTimes() {
    // The time text belongs to the table being written; between tables it
    // keeps what the last one showed.
    if (!tableOpen_)
        return;
    if (const auto text = times_.Update(tableStart_, clock_.Seconds(), position_, range_))
        controls_.ShowTimes(*text);
}
