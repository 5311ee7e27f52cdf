// Watching, on one thread while a gate is raised, the calls a render call must not make besides
// heap calls: locks and waits, sleeps, file and socket I/O and other calls that block in the
// kernel, whoever makes them (the module, the plug-in, a library they use). Each system's version
// says what it can see; where it sees nothing (sanitizer builds, systems without the hooks) checks
// that need it report that instead of a result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvex_validate {

enum class BlockingKind : uint8_t { Lock, Wait, Sleep, File, Socket, Other };
inline constexpr int kBlockingKinds = 6;
const char* blockingKindName(BlockingKind kind);  // "lock", "wait", "sleep", "file I/O", ...

// False where these calls cannot be watched; the reason, for a skipped check, in *why.
bool blockingWatchAvailable(const char** why = nullptr);
// One line on what this build sees and what it cannot, for the report.
const char* blockingWatchScope();

inline constexpr int kMaxStackFrames = 24;
inline constexpr int kMaxFunctions = 8;

struct BlockingFunction {
    const char* name = nullptr;  // a literal: "pthread_mutex_lock"
    BlockingKind kind = BlockingKind::Other;
    uint64_t count = 0;
};

struct BlockingCalls {
    uint64_t calls = 0;
    uint64_t pluginCalls = 0;  // of the above, made while the plug-in itself was called
    uint64_t byKind[kBlockingKinds] = {};
    BlockingFunction functions[kMaxFunctions];  // the first distinct functions seen, with counts
    // The first call seen: which function, inside which call, whose, and the stack it came from.
    const char* firstFunction = nullptr;
    const char* firstCall = nullptr;
    bool firstInPlugin = false;
    void* firstStack[kMaxStackFrames] = {};
    int firstDepth = 0;

    // Adds another watch's calls; the first call stays the earliest one.
    void add(const BlockingCalls& more);
};

// [main] Names the call a thread is in (a literal, or null); it must neither allocate nor lock.
void setBlockingCallNamer(const char* (*namer)());

// [any thread] Starts watching this thread's calls from zero; endBlockingWatch stops and answers.
void beginBlockingWatch();
BlockingCalls endBlockingWatch();

// [any thread] Brackets a call into the plug-in, so its calls are told from the module's.
void enterPluginBlockingScope();
void leavePluginBlockingScope();

// Frames as one line each: "name+0x1c in library.so" where the binary names it, the library and
// its offset where it does not. The watch's own frames are left out.
std::vector<std::string> describeStack(void* const* frames, int depth);

}  // namespace korvex_validate
