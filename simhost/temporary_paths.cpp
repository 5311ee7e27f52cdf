// The process's list of temporary paths, kept in fixed storage so a fault handler can read it.
#include "simhost/temporary_paths.h"

#include <cstring>
#include <filesystem>
#include <mutex>

namespace simhost {
namespace {

constexpr size_t kMaxPathLength = 1024;

// [any thread: guarded by gLock] for writers; a fault handler reads gPointers without the lock,
// accepting a torn view of a list that changes only while temporary folders come and go.
std::mutex gLock;
char gPaths[kMaxTemporaryPaths][kMaxPathLength];
const char* gPointers[kMaxTemporaryPaths + 1];
int gCount = 0;

void rebuildPointers() {
    for (int i = 0; i < gCount; ++i) gPointers[i] = gPaths[i];
    gPointers[gCount] = nullptr;
}

}  // namespace

void rememberTemporaryPath(const std::string& path) {
    if (path.empty() || path.size() >= kMaxPathLength) return;
    std::lock_guard<std::mutex> hold(gLock);
    if (gCount == kMaxTemporaryPaths) return;
    std::memcpy(gPaths[gCount], path.c_str(), path.size() + 1);
    ++gCount;
    rebuildPointers();
}

void forgetTemporaryPath(const std::string& path) {
    std::lock_guard<std::mutex> hold(gLock);
    for (int i = 0; i < gCount; ++i) {
        if (path != gPaths[i]) continue;
        gPointers[gCount - 1] = nullptr;  // shrink the handler's view first
        for (int k = i; k + 1 < gCount; ++k) std::memcpy(gPaths[k], gPaths[k + 1], kMaxPathLength);
        --gCount;
        rebuildPointers();
        return;
    }
}

void removeTemporaryPaths() {
    std::lock_guard<std::mutex> hold(gLock);
    for (int i = 0; i < gCount; ++i) {
        std::error_code ignored;
        std::filesystem::remove_all(gPaths[i], ignored);
    }
}

const char* const* temporaryPathsForFault() { return gPointers; }

}  // namespace simhost
