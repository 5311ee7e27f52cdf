// The simulated host's one seam for opening libraries (the module, VST plug-ins, test hooks):
// dlopen/dlsym here, LoadLibrary/GetProcAddress on Windows.
#pragma once

#include <string>

namespace simhost {

// Opens the library at `path` with every symbol resolved now and kept local to it; null with a
// one-line reason in *error (when given) when it cannot.
void* openLibrary(const std::string& path, std::string* error = nullptr);
// An exported symbol of an open library, or null.
void* librarySymbol(void* library, const char* name);
// Gives back one opening; the code stays mapped while anyone else still holds it.
void closeLibrary(void* library);

// The file suffix of loadable libraries on this system: ".so", or ".dll" on Windows.
const char* librarySuffix();

}  // namespace simhost
