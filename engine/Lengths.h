#pragma once
// Paths and passwords are used whole or not at all: a value longer than the
// system or the settings record takes is refused before anything is written,
// never cut (a cut output path can name another folder, a cut password only
// fails as a wrong one).

#include "engine/Settings.h"

#include <string>
#include <string_view>

// Why one path cannot be used: longer than kSystemPathCapacity, or a name
// in it longer than the system's longest; empty when it can. what: "the
// output path" and the like, as the message names it.
std::string PathLengthProblem(std::string_view what, std::string_view path, std::size_t givenSize);

// The first setting that is too long to be used, in one line ("the output
// path is 300 characters long; this system takes at most 259"), or empty:
// the database, output and status paths, the password, and with Log the
// activity log's path.
std::string LengthRefusal(const ConversionSettings& settings);
