// The Windows programs are window programs: a progress line redrawn in place
// belongs to a terminal they do not have. Standard output exists when the
// starter redirected it.

#include "platform/Console.h"
#include "platform/Platform.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace platform {

bool IsTerminal(StandardStream /*stream*/) { return false; }

std::size_t TerminalColumns(StandardStream /*stream*/) { return 0; }

bool BinaryStandardOutput() { return HasVisibleStandardOutput() && _setmode(_fileno(stdout), _O_BINARY) != -1; }

void IgnoreBrokenPipe() {}

NarrowForm NarrowTextForm() {
    const UINT page = GetACP();
    if (page == CP_UTF8)
        return NarrowForm::Utf8;
    CPINFO info{};
    if (GetCPInfo(page, &info) && info.MaxCharSize > 1)
        return NarrowForm::DoubleByte;
    return NarrowForm::SingleByte;
}

bool IsC1ControlByte(unsigned char byte) {
    if (byte < 0x80)
        return false;
    const char narrow = static_cast<char>(byte);
    wchar_t wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &wide, 1) != 1)
        return false;
    return wide >= 0x80 && wide <= 0x9F;
}

} // namespace platform
