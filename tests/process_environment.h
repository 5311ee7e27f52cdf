// This test process's environment variables, which child processes inherit, and its id: the C
// runtime names them differently on Windows.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

// Sets `name` for this process and the children it starts; an empty value removes it.
inline void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());  // an empty value removes the variable here
#else
    if (value.empty()) ::unsetenv(name);
    else ::setenv(name, value.c_str(), 1);
#endif
}

inline long processId() {
#ifdef _WIN32
    return static_cast<long>(::_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

}  // namespace testing_support
