#include "platform/Platform.h"

#include <windows.h>

#include <ctime>

namespace platform {

LocalTime LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

int64_t SecondsNow() { return static_cast<int64_t>(std::time(nullptr)); }

} // namespace platform
