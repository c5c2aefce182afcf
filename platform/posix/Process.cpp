// Where the running program and the module holding this code live on disk.

#include "platform/Platform.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/auxv.h>
#include <unistd.h>

namespace platform {

namespace {

std::string Resolved(const char* path) {
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) != nullptr ? std::string(resolved) : std::string();
}

} // namespace

std::string ExecutablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ModulePath() {
    Dl_info self{};
    if (::dladdr(reinterpret_cast<void*>(&ModulePath), &self) == 0 || self.dli_fname == nullptr)
        return ExecutablePath();
    // For the main program the loader reports the name it was started by,
    // which may be relative to a directory left long ago; ask the kernel.
    Dl_info program{};
    const auto programHeaders = reinterpret_cast<void*>(::getauxval(AT_PHDR));
    if (programHeaders != nullptr && ::dladdr(programHeaders, &program) != 0 && program.dli_fbase == self.dli_fbase)
        return ExecutablePath();
    if (self.dli_fname[0] == '/')
        return self.dli_fname;
    std::string resolved = Resolved(self.dli_fname);
    return resolved.empty() ? std::string(self.dli_fname) : resolved;
}

} // namespace platform
