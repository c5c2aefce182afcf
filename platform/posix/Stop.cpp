// Interrupts become a stop request, so an output file ends after its last
// whole record instead of in the middle of one.

#include "platform/Platform.h"

#include <csignal>

namespace platform {

namespace {

std::atomic<int32_t>* stopFlag = nullptr;

extern "C" void RequestStop(int signal) {
    // A lock-free atomic store is safe in a signal handler.
    std::atomic<int32_t>* flag = stopFlag;
    if (flag != nullptr)
        flag->store(signal);
}

void Handle(int signal, bool stop) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    if (stop) {
        action.sa_handler = RequestStop;
        // The second request takes the usual road and ends the process, for
        // a run that does not come back to its stop checks.
        // A write to a pipe or a slow device goes on where it was instead of
        // failing with EINTR: the file is to end complete, not torn.
        action.sa_flags = SA_RESETHAND | SA_RESTART;
    } else {
        action.sa_handler = SIG_DFL;
    }
    ::sigaction(signal, &action, nullptr);
}

} // namespace

void StopOnInterrupt(std::atomic<int32_t>* flag) {
    static_assert(std::atomic<int32_t>::is_always_lock_free);
    stopFlag = flag;
    Handle(SIGINT, flag != nullptr);
    Handle(SIGTERM, flag != nullptr);
}

int ExitCodeForSignal(int32_t signal) { return 128 + signal; }

} // namespace platform
