#include "platform/Platform.h"
#include "platform/ThreadsCommon.h"

#include <windows.h>

namespace platform {

int32_t ThreadsAllowed() {
    char text[16];
    const DWORD length = GetEnvironmentVariableA("VARNEX_THREADS", text, sizeof text);
    const int32_t requested = length > 0 && length < sizeof text ? threads::Requested(text) : 0;
    return requested != 0 ? requested : threads::ProcessorCount();
}

} // namespace platform
