#pragma once
// The one entry through which every face converts: the program's unattended
// run, the library call and the wizard's worker thread. The settings record
// goes in; what happened comes out, and each face decides how to tell it
// (exit status and stderr, a result code, the completion page).

#include "engine/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ConversionRoad {
    Unattended, // the program's command line: every matching file, the last database left open
    Library,    // a library call: every matching file, each database closed after it
    Wizard,     // the worker thread: the tables of the database the source page opened
};

enum class ConversionRefusal {
    None,
    NoDatabase, // no database path among the arguments
    NoOutput,   // no output folder or file
    TooLong,    // a path or the password is longer than can be used whole (LengthRefusal says which)
};

struct ConversionOutcome {
    ConversionRefusal Refused = ConversionRefusal::None;
    int32_t TablesDone = 0;
    int32_t RecordsDone = 0;
    int32_t FilesFailed = 0;
    int32_t TablesFailed = 0;
    bool Stopped = false; // StopRequested ended the run early
    std::vector<ConversionFailure> Failures;
    std::vector<std::string> Warnings;
    std::vector<std::string> Notes; // "table X is written to Y"

    bool Succeeded() const {
        return Refused == ConversionRefusal::None && FilesFailed == 0 && TablesFailed == 0 && !Stopped;
    }
};

ConversionOutcome RunConversion(ConversionSettings& settings, ConversionRoad road);
