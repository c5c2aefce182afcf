// Ctrl+C and Ctrl+Break become a stop request, so an output file ends after
// its last whole record instead of in the middle of one.

#include "platform/Platform.h"

#include <windows.h>

namespace platform {

namespace {

std::atomic<int32_t>* stopFlag = nullptr;

constexpr int32_t kInterrupt = 2;  // the number SIGINT has in the C runtime
constexpr int32_t kTerminate = 15; // and SIGTERM

BOOL WINAPI RequestStop(DWORD event) {
    std::atomic<int32_t>* flag = stopFlag;
    if (flag == nullptr || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT))
        return FALSE;
    // The second request takes the usual road and ends the process, for a
    // run that does not come back to its stop checks.
    if (flag->load() != 0)
        return FALSE;
    flag->store(event == CTRL_C_EVENT ? kInterrupt : kTerminate);
    return TRUE;
}

} // namespace

void StopOnInterrupt(std::atomic<int32_t>* flag) {
    const bool wasSet = stopFlag != nullptr;
    stopFlag = flag;
    if (flag != nullptr && !wasSet)
        SetConsoleCtrlHandler(RequestStop, TRUE);
    else if (flag == nullptr && wasSet)
        SetConsoleCtrlHandler(RequestStop, FALSE);
}

int ExitCodeForSignal(int32_t signal) { return 128 + signal; }

} // namespace platform
