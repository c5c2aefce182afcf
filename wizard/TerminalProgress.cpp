#include "wizard/TerminalProgress.h"

#include "platform/Console.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::string_view kEraseLine = "\r\x1b[K";
constexpr std::size_t kAssumedColumns = 80;
// Bytes the export gives the current-file text: the table, then the file.
constexpr std::string_view kFileArrow = " -> ";
// How many rows pass between two looks at the clock: a look costs little,
// but a table of millions of narrow rows would still feel it.
constexpr int64_t kRowsPerClockLook = 16;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters as the terminal counts them, near enough: UTF-8 sequences count once.
std::size_t Width(std::string_view text) {
    std::size_t width = 0;
    for (char c : text)
        width += IsContinuationByte(c) ? 0 : 1;
    return width;
}

// The first `width` characters, never cutting a UTF-8 sequence.
std::string_view Leading(std::string_view text, std::size_t width) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i])) {
            if (seen == width)
                return text.substr(0, i);
            ++seen;
        }
    }
    return text;
}

// A table name may hold any character; control characters would move the
// cursor, break the line or speak to the terminal, so they show as escapes.
std::string Printable(std::string_view text) { return platform::ShownText(text); }

std::string Duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 99.0 * 3600)
        return "--:--";
    const auto whole = static_cast<int64_t>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(whole / 3600),
                      static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
    else
        std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(whole / 60), static_cast<int>(whole % 60));
    return text;
}

} // namespace

std::string ProgressLine(std::string_view table, int64_t done, int64_t total, double elapsedSeconds,
                         std::size_t columns) {
    if (columns == 0)
        columns = kAssumedColumns;
    const double rate = elapsedSeconds > 0 ? static_cast<double>(done) / elapsedSeconds : 0;
    const bool counted = total > 0 && done <= total;

    std::string counts;
    if (counted) {
        const auto percent = static_cast<int>(done * 100 / total);
        counts = "  " + std::to_string(done) + "/" + std::to_string(total) + " rows (" + std::to_string(percent) + "%)";
    } else {
        // The stored count was short of the rows the table holds: no end in sight.
        counts = "  " + std::to_string(done) + " rows";
    }
    const std::string speed = "  " + std::to_string(static_cast<int64_t>(rate)) + " rows/s";
    std::string left;
    if (counted)
        left = "  " + (rate > 0 ? Duration(static_cast<double>(total - done) / rate) : Duration(-1)) + " left";

    // A narrow terminal loses the name's end first, then the rate, then the time left.
    const std::string name = Printable(table);
    const std::size_t room = columns - 1;
    constexpr std::string_view kCut = "...";
    constexpr std::size_t kShortestName = 6;
    for (const std::string& tail : {counts + speed + left, counts + left, counts}) {
        const std::size_t tailWidth = Width(tail);
        if (Width(name) + tailWidth <= room)
            return name + tail;
        if (tailWidth + kCut.size() + kShortestName <= room)
            return std::string(Leading(name, room - tailWidth - kCut.size())) + std::string(kCut) + tail;
    }
    return std::string(Leading(name + counts, room));
}

TerminalProgress::TerminalProgress(Terminal terminal, bool showDatabases)
    : terminal_(std::move(terminal)), showDatabases_(showDatabases) {
    // A run that is over within a tenth of a second shows nothing at all.
    lastDraw_ = terminal_.Now();
}

TerminalProgress::~TerminalProgress() { Erase(); }

void TerminalProgress::SetCurrentFileText(std::string_view text) {
    const std::size_t arrow = text.find(kFileArrow);
    table_ = std::string(text.substr(0, arrow));
}

void TerminalProgress::ProgressStartTable(int32_t records) {
    done_ = 0;
    lookedAt_ = -1;
    total_ = records;
    tableStart_ = terminal_.Now();
    if (total_ >= kRowsShownFromTheStart)
        Draw(tableStart_);
}

void TerminalProgress::ProgressRecords(int32_t written) {
    done_ = written;
    if (lookedAt_ >= 0 && done_ - lookedAt_ < kRowsPerClockLook)
        return;
    lookedAt_ = done_;
    const double now = terminal_.Now();
    if (now - lastDraw_ >= kRedrawSeconds)
        Draw(now);
}

void TerminalProgress::ProgressStartDatabase(std::string_view path) {
    if (!showDatabases_)
        return;
    Erase();
    terminal_.Write("Converting " + Printable(path) + "\n");
}

void TerminalProgress::ProgressEndTable() {
    Erase();
    table_.clear();
    done_ = 0;
    total_ = 0;
}

void TerminalProgress::Erase() {
    if (!shown_)
        return;
    terminal_.Write(kEraseLine);
    shown_ = false;
}

void TerminalProgress::Draw(double now) {
    const std::size_t columns = terminal_.Columns ? terminal_.Columns() : 0;
    // Over the old line, then cleared to its end: no blank moment between.
    std::string text = "\r" + ProgressLine(table_, done_, total_, now - tableStart_, columns) + "\x1b[K";
    terminal_.Write(text);
    shown_ = true;
    lastDraw_ = now;
}

TerminalProgress::Terminal StandardErrorTerminal() {
    TerminalProgress::Terminal terminal;
    terminal.Write = [](std::string_view bytes) {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        std::fflush(stderr);
    };
    terminal.Now = [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
    terminal.Columns = [] { return platform::TerminalColumns(platform::StandardStream::Error); };
    return terminal;
}
