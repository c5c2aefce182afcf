#pragma once
// What the engine asks of the wizard's windows. The wizard implements these;
// the program's unattended run may pass a progress display of its own, the
// library never does, and without one every call is skipped.

#include <cstdint>
#include <string>
#include <string_view>

// The progress page: the export drives it once per table and per record.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void* Handle() const = 0; // owner of message boxes
    virtual void SetCurrentFileText(std::string_view text) = 0;
    virtual void ProgressStartTable(int32_t records) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressTimes(int64_t startSeconds, int64_t nowSeconds, int32_t done, int32_t total) = 0;
    // A run over matching files: the next database is about to be opened.
    virtual void ProgressStartDatabase(std::string_view /*path*/) {}
    // The table's export is over, written or failed.
    virtual void ProgressEndTable() {}
    // Messages the conversion worker posts to the property sheet.
    virtual void DisableWizardButtons() = 0;
    virtual void PressNext() = 0;
};

// The source page: its password box and its sorted multiple-selection list.
class TableListWindow {
public:
    virtual ~TableListWindow() = default;
    virtual void* Handle() const = 0;
    virtual std::string PasswordText() const = 0; // at most 259 bytes
    virtual void ResetContent() = 0;
    virtual void AddString(std::string_view name) = 0;
    virtual void SelectAll() = 0;
};
