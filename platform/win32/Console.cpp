// The Windows programs are window programs: a progress line redrawn in place
// belongs to a terminal they do not have. Standard output exists when the
// starter redirected it.

#include "platform/Console.h"
#include "platform/Platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace platform {

bool IsTerminal(StandardStream /*stream*/) { return false; }

std::size_t TerminalColumns(StandardStream /*stream*/) { return 0; }

bool BinaryStandardOutput() {
    return HasVisibleStandardOutput() && _setmode(_fileno(stdout), _O_BINARY) != -1;
}

void IgnoreBrokenPipe() {}

} // namespace platform
