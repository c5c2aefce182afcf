#pragma once
// The program's standard streams as a command-line user sees them: whether a
// person is watching (a terminal) and how wide their line is.

#include <cstddef>
#include <string>
#include <string_view>

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

// How this process's narrow text is read: UTF-8, one byte a character, or
// a double-byte page (whose lead bytes lie where C1 bytes lie elsewhere).
enum class NarrowForm { Utf8, SingleByte, DoubleByte };
NarrowForm NarrowTextForm();
// Single-byte pages: whether the byte stands for a C1 control character.
// POSIX: every byte from 0x80 to 0x9F, which a terminal may take as C1;
// Windows: the bytes the ANSI page gives U+0080 to U+009F.
bool IsC1ControlByte(unsigned char byte);

// A name or path as the program prints it: its control characters, which
// would move the cursor or speak to the terminal, shown as escapes instead.
// C0 characters and DEL as \xNN (\t, \n, \r by name); C1 characters as
// \u00NN in UTF-8 and \xNN as single bytes; bytes that are no UTF-8 as \xNN.
// Everything else, backslashes included, is shown as it is.
std::string ShownText(std::string_view text);
std::string ShownText(std::string_view text, NarrowForm form);

} // namespace platform
