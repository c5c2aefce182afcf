#pragma once
// The unattended run's sign of life on a terminal: one line per table with
// the rows done of the stored count, the rate and the time left, redrawn in
// place a few times a second and erased when the table is over.

#include "engine/ProgressDisplay.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The line for a table, at most columns - 1 characters wide so that it never
// wraps (a wrapped line cannot be redrawn in place); the table name is
// shortened first. elapsedSeconds: time since the table's first row.
std::string ProgressLine(std::string_view table, int64_t done, int64_t total, double elapsedSeconds,
                         std::size_t columns);

class TerminalProgress final : public ProgressDisplay {
public:
    struct Terminal {
        std::function<void(std::string_view)> Write; // to the terminal, unbuffered
        std::function<double()> Now;                 // seconds on a clock that never goes back
        std::function<std::size_t()> Columns;        // 0 when unknown
    };
    static constexpr double kRedrawSeconds = 0.1;
    // A table whose stored count is at least this shows its line from its
    // first row, however fast the machine: the user sees at once which big
    // table the run is on. Smaller ones wait for the first redraw.
    static constexpr int64_t kRowsShownFromTheStart = 100000;

    // showDatabases: a run over a pattern also names each database it opens,
    // on a line of its own that stays.
    TerminalProgress(Terminal terminal, bool showDatabases);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void* Handle() const override { return nullptr; }
    void SetCurrentFileText(std::string_view text) override;
    void ProgressStartTable(int32_t records) override;
    void ProgressRecords(int32_t written) override;
    void ProgressStartDatabase(std::string_view path) override;
    void ProgressEndTable() override;

    // Takes the line away, if one is shown.
    void Erase();

private:
    void Draw(double now);

    Terminal terminal_;
    bool showDatabases_;
    std::string table_;
    int64_t done_ = 0;
    int64_t lookedAt_ = -1; // rows done at the last look at the clock; -1: none yet this table
    int64_t total_ = 0;
    double tableStart_ = 0;
    double lastDraw_ = 0;
    bool shown_ = false;
};

// The terminal progress of this process's standard error.
TerminalProgress::Terminal StandardErrorTerminal();
