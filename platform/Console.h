#pragma once
// The program's standard streams as a command-line user sees them: whether a
// person is watching (a terminal) and how wide their line is.

#include <cstddef>

namespace platform {

enum class StandardStream { Output, Error };

// True when the stream is a terminal, so redrawn progress lines make sense.
bool IsTerminal(StandardStream stream);
// Character columns of the terminal the stream writes to; 0 when unknown.
std::size_t TerminalColumns(StandardStream stream);
// Prepares standard output for table bytes written unchanged (no line-end
// translation); false when the process has no standard output to write to.
bool BinaryStandardOutput();
// A write to a pipe whose reader has gone then fails with an error rather
// than ending the process, so the run can stop and clean up.
void IgnoreBrokenPipe();

} // namespace platform
