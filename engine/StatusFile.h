#pragma once
// What the status file says beyond the stage: why a run failed.

#include "engine/Settings.h"

#include <string_view>

// Writes Reason = why, beside Result in section Varnex, when a status file is
// named; line breaks become blanks. False when it could not be written.
bool WriteStatusReason(std::string_view reason, const ConversionSettings& settings);
