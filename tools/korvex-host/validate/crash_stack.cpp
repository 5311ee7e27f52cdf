// Reading back and symbolising the crashing thread's stack.
#include "tools/korvex-host/validate/crash_stack.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "simhost/child_process.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {
namespace {

struct Mapping {
    unsigned long long start = 0, end = 0, offset = 0;
    std::string path;
};

// "start-end perms offset dev inode path"
bool parseMapping(const std::string& line, Mapping& out) {
    std::istringstream in(line);
    std::string range, perms, offset, device, inode;
    if (!(in >> range >> perms >> offset >> device >> inode)) return false;
    std::getline(in, out.path);
    out.path.erase(0, out.path.find_first_not_of(' '));
    const size_t dash = range.find('-');
    if (dash == std::string::npos) return false;
    try {
        out.start = std::stoull(range.substr(0, dash), nullptr, 16);
        out.end = std::stoull(range.substr(dash + 1), nullptr, 16);
        out.offset = std::stoull(offset, nullptr, 16);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

std::string baseName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

struct Named {
    std::string function;
    std::string place;  // "file:line", or "" when unknown
};

// Both symbolisers print each address, then a function and a place per inlined level, innermost
// first. llvm-symbolizer names inlined functions right where addr2line names their caller.
std::map<unsigned long long, std::vector<Named>> symbolise(const std::string& program, bool llvm,
                                                           const std::string& module,
                                                           const std::vector<unsigned long long>& offsets) {
    std::vector<std::string> argv =
        llvm ? std::vector<std::string>{program, "--print-address", "--inlines", "--demangle", "--obj=" + module}
             : std::vector<std::string>{program, "-a", "-C", "-f", "-i", "-e", module};
    for (unsigned long long offset : offsets) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%llx", offset);
        argv.emplace_back(text);
    }
    std::map<unsigned long long, std::vector<Named>> named;
    const simhost::ChildResult child = simhost::runChild(argv, 30.0);
    if (!child.exited || child.exitCode != 0) return named;
    std::istringstream in(child.out);
    std::string line;
    unsigned long long current = 0;
    bool have = false;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.compare(0, 2, "0x") == 0) {
            current = std::stoull(line, nullptr, 16);
            have = true;
            continue;
        }
        if (!have) continue;
        std::string place;
        if (!std::getline(in, place)) place.clear();
        if (place.compare(0, 2, "??") == 0) place.clear();
        named[current].push_back({line, place});
    }
    return named;
}

bool isHandlerFrame(const std::string& function) {
    return function.find("korvex_host::") != std::string::npos &&
           (function.find("onFault") != std::string::npos || function.find("putStack") != std::string::npos);
}

}  // namespace

RawStack readStack(const std::string& err) {
    RawStack stack;
    const size_t begin = err.rfind(korvex_host::kStackBegin);
    if (begin == std::string::npos) return stack;
    std::istringstream in(err.substr(begin));
    std::string line;
    std::vector<unsigned long long> addresses;
    std::vector<Mapping> mappings;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, sizeof korvex_host::kStackEnd - 1, korvex_host::kStackEnd) == 0) break;
        if (line.compare(0, 6, "frame ") == 0) {
            try {
                addresses.push_back(std::stoull(line.substr(6), nullptr, 16));
            } catch (const std::exception&) {
            }
        } else if (line.compare(0, 4, "map ") == 0) {
            Mapping mapping;
            if (parseMapping(line.substr(4), mapping)) mappings.push_back(mapping);
        } else if (line.compare(0, 5, "text ") == 0) {
            stack.lines.push_back(line.substr(5));
        }
    }
    for (unsigned long long address : addresses) {
        StackFrame frame;
        frame.address = address;
        for (const Mapping& mapping : mappings)
            if (address >= mapping.start && address < mapping.end) {
                frame.module = mapping.path;
                frame.offset = address - mapping.start + mapping.offset;
                break;
            }
        stack.frames.push_back(frame);
    }
    return stack;
}

std::string symbolisedStack(const std::string& err) {
    const RawStack stack = readStack(err);
    std::string text;
    for (const std::string& line : stack.lines) text += line + "\n";
    if (stack.frames.empty()) return text;

    // Return addresses point after their call: one byte back lands on the call's own line. The
    // handler's frames and the signal trampoline come first and are dropped once named.
    std::map<std::string, std::vector<unsigned long long>> byModule;
    for (const StackFrame& frame : stack.frames)
        if (!frame.module.empty() && frame.module[0] == '/') byModule[frame.module].push_back(frame.offset - 1);
    std::string program = findProgram("llvm-symbolizer");
    const bool llvm = !program.empty();
    if (!llvm) program = findProgram("addr2line");
    std::map<std::string, std::map<unsigned long long, std::vector<Named>>> names;
    if (!program.empty())
        for (const auto& [module, offsets] : byModule) names[module] = symbolise(program, llvm, module, offsets);

    std::vector<std::string> frames;
    size_t firstKept = 0;
    for (const StackFrame& frame : stack.frames) {
        char where[64];
        std::snprintf(where, sizeof where, "+0x%llx", frame.offset);
        const std::string place = frame.module.empty() ? "?" : baseName(frame.module) + where;
        std::vector<Named> levels;
        if (auto module = names.find(frame.module); module != names.end())
            if (auto found = module->second.find(frame.offset - 1); found != module->second.end())
                levels = found->second;
        if (levels.empty()) levels.push_back({"??", ""});
        bool handler = false;
        for (const Named& level : levels) handler = handler || isHandlerFrame(level.function);
        if (handler) firstKept = frames.size() + levels.size() + 1;  // and the trampoline after it
        for (size_t i = 0; i < levels.size(); ++i) {
            std::string line = levels[i].function;
            if (!levels[i].place.empty()) line += " at " + baseName(levels[i].place.substr(0, levels[i].place.find(' ')));
            line += i + 1 < levels.size() ? " (inlined)" : " in " + place;
            frames.push_back(line);
        }
    }
    if (firstKept >= frames.size()) firstKept = 0;
    for (size_t i = firstKept; i < frames.size(); ++i) text += "#" + std::to_string(i - firstKept) + " " + frames[i] + "\n";
    if (program.empty())
        text += "(neither llvm-symbolizer nor addr2line is installed: frames are named by file and offset only)\n";
    return text;
}

std::string withoutStack(const std::string& err) {
    const size_t begin = err.rfind(korvex_host::kStackBegin);
    if (begin == std::string::npos) return err;
    size_t end = err.find(korvex_host::kStackEnd, begin);
    end = end == std::string::npos ? err.size() : err.find('\n', end);
    return err.substr(0, begin) + (end == std::string::npos ? std::string() : err.substr(end + 1));
}

}  // namespace korvex_validate
