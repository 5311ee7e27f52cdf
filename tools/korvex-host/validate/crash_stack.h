// The call stack a crashing test process wrote to stderr, read back by the runner: raw frames and
// the process's code mappings become functions, files and lines (through addr2line, when the
// system has it), or lines the crashing process already named are kept as they are.
#pragma once

#include <string>
#include <vector>

namespace korvex_validate {

struct StackFrame {
    unsigned long long address = 0;
    std::string module;             // the file the address lies in ("" when none)
    unsigned long long offset = 0;  // the address in that file's own terms
};

// The frames of the last stack block in `err`, placed in their modules; text lines as they are.
struct RawStack {
    std::vector<StackFrame> frames;
    std::vector<std::string> lines;  // frames a process already named ("text ..." lines)
};
RawStack readStack(const std::string& err);

// One frame a line: "#0 crashIn(char const*) at misbehaving_plugin.cpp:62 in crashing.so+0x1234";
// the frames of the fault handler itself are left out. "" when `err` holds no stack.
std::string symbolisedStack(const std::string& err);

// `err` without its stack block, for the log that reports show.
std::string withoutStack(const std::string& err);

}  // namespace korvex_validate
