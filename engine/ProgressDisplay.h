#pragma once
// What a run tells whoever watches it: the wizard's progress page, or the
// unattended run's terminal line. The library never attaches one, and
// without one every call is skipped.

#include <cstdint>
#include <string_view>

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void* Handle() const = 0; // owner of message boxes; null when there is no window
    virtual void SetCurrentFileText(std::string_view text) = 0;
    // A run over matching files: the next database is about to be opened.
    virtual void ProgressStartDatabase(std::string_view /*path*/) {}
    virtual void ProgressStartTable(int32_t records) = 0;
    // The records of this table written so far, from the thread that writes
    // them: after every record on one thread, after every block when the
    // table is read in parts. A display that draws must keep this cheap.
    virtual void ProgressRecords(int32_t written) = 0;
    // The table's export is over, written or failed.
    virtual void ProgressEndTable() {}
};
