#pragma once
// Environment variables set for one test: the POSIX stand-ins find their
// folders (configuration, application data) and the locale through them.

#include <cstdlib>
#include <optional>
#include <string>

namespace testenv {

// Each platform's own call; false when the variable could not be changed.
bool SetVariable(const char* name, const std::string& value);
bool UnsetVariable(const char* name);

// Sets (or, with a null value, removes) a variable and puts the old state
// back when it goes out of scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value != nullptr ? SetVariable(name, value) : UnsetVariable(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { old_ ? SetVariable(name_, *old_) : UnsetVariable(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace testenv
