// Output files of the command-line host: checked before any work starts, written under a
// temporary name beside them and renamed at the end, so a command that fails leaves an older
// file of that name as it was and never a half-written one.
#pragma once

#include <string>

namespace korvex_host {

// std::runtime_error naming `what` and the path when it cannot be an output file: its folder is
// missing or no folder, or the path is a folder itself.
void checkOutputPath(const std::string& path, const std::string& what);

// A temporary file beside `path`, removed on every exit that does not commit it (abrupt ones
// included, through the process's list of temporary paths).
class PendingOutput {
public:
    PendingOutput(std::string path, std::string what);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Where the writer writes.
    const std::string& temporaryPath() const { return temporary; }
    // Puts the temporary file in the place of `path`; std::runtime_error naming it when it cannot.
    void commit();

private:
    std::string target;
    std::string what;
    std::string temporary;
    bool committed = false;
};

// The whole text at once, through a PendingOutput.
void writeOutputFile(const std::string& path, const std::string& bytes, const std::string& what);

}  // namespace korvex_host
