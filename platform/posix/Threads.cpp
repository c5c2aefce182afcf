#include "platform/Platform.h"
#include "platform/ThreadsCommon.h"

namespace platform {

int32_t ThreadsAllowed() {
    const int32_t requested = threads::Requested(std::getenv("VARNEX_THREADS"));
    return requested != 0 ? requested : threads::ProcessorCount();
}

} // namespace platform
