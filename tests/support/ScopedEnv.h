#pragma once
// Sets (or, with null, removes) an environment variable for the lifetime of the object.
#include <cstdlib>
#include <string>

namespace testsupport {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : key(name) {
        if (const char* old = std::getenv(name)) previous = old, had = true;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (had) setenv(key.c_str(), previous.c_str(), 1);
        else unsetenv(key.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string key, previous;
    bool had = false;
};

}  // namespace testsupport
