#pragma once
// Tables written to standard output (the output argument "-"): the run
// writes its files into a private folder, and their bytes are passed on as
// they arrive and each file removed when its table is over, so a pipe reads
// the tables concatenated in the order the run converts them.

#include "engine/Settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class StandardOutputRelay final : public ProgressDisplay {
public:
    // write: passes bytes on, false when they could not be (the reader went away).
    using Writer = std::function<bool(std::string_view)>;

    StandardOutputRelay(ConversionSettings& settings, Writer write);
    ~StandardOutputRelay() override; // removes the folder and whatever is left in it
    StandardOutputRelay(const StandardOutputRelay&) = delete;
    StandardOutputRelay& operator=(const StandardOutputRelay&) = delete;

    // Makes the private folder the run's output folder. False when no folder
    // could be made.
    bool Prepare();
    // Passes on what the run left: call once the run is over.
    void Finish();
    // True when bytes could not be passed on; the run was then asked to stop.
    bool Failed() const { return failed_; }
    const std::string& Folder() const { return folder_; }

    void* Handle() const override { return nullptr; }
    void SetCurrentFileText(std::string_view) override {}
    void ProgressStartTable(int32_t) override {}
    void ProgressStep() override;
    void ProgressTimes(int64_t, int64_t, int32_t, int32_t) override {}
    void DisableWizardButtons() override {}
    void PressNext() override {}
    void ProgressEndTable() override;

private:
    // Passes on every byte written so far; a table that is over also loses
    // its file, one still being written only its bytes.
    void PassOn(bool tableOver);

    ConversionSettings& settings_;
    Writer write_;
    std::string folder_;
    int64_t steps_ = 0;
    bool failed_ = false;
};

// Writes to this process's standard output, flushing every piece.
StandardOutputRelay::Writer StandardOutputWriter();
