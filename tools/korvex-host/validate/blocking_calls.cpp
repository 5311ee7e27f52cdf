// The system-independent part of the blocking-call watch: names and the sum of two watches.
#include "tools/korvex-host/validate/blocking_calls.h"

namespace korvex_validate {

const char* blockingKindName(BlockingKind kind) {
    switch (kind) {
    case BlockingKind::Lock: return "lock";
    case BlockingKind::Wait: return "wait";
    case BlockingKind::Sleep: return "sleep";
    case BlockingKind::File: return "file I/O";
    case BlockingKind::Socket: return "socket I/O";
    case BlockingKind::Other: return "blocking system call";
    }
    return "blocking call";
}

void BlockingCalls::add(const BlockingCalls& more) {
    if (more.calls == 0) return;
    if (calls == 0) {
        firstFunction = more.firstFunction;
        firstCall = more.firstCall;
        firstInPlugin = more.firstInPlugin;
        firstDepth = more.firstDepth;
        for (int i = 0; i < kMaxStackFrames; ++i) firstStack[i] = more.firstStack[i];
    }
    calls += more.calls;
    pluginCalls += more.pluginCalls;
    for (int i = 0; i < kBlockingKinds; ++i) byKind[i] += more.byKind[i];
    for (const BlockingFunction& function : more.functions) {
        if (!function.name) continue;
        for (BlockingFunction& mine : functions) {
            if (mine.name == function.name) {
                mine.count += function.count;
                break;
            }
            if (!mine.name) {
                mine = function;
                break;
            }
        }
    }
}

}  // namespace korvex_validate
