#include "platform/Console.h"

#include "platform/posix/TextPages.h"

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

int Descriptor(StandardStream stream) { return stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO; }

} // namespace

bool IsTerminal(StandardStream stream) { return ::isatty(Descriptor(stream)) == 1; }

std::size_t TerminalColumns(StandardStream stream) {
    winsize size{};
    if (::ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

bool BinaryStandardOutput() { return ::fcntl(STDOUT_FILENO, F_GETFD) != -1; }

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

NarrowForm NarrowTextForm() {
    switch (posix::ProcessTextPages().Ansi->kind()) {
    case posix::CodePage::Kind::Utf8: return NarrowForm::Utf8;
    case posix::CodePage::Kind::SingleByte: return NarrowForm::SingleByte;
    case posix::CodePage::Kind::MultiByte: break;
    }
    return NarrowForm::DoubleByte;
}

bool IsC1ControlByte(unsigned char byte) { return byte >= 0x80 && byte <= 0x9F; }

} // namespace platform
