// Every host entry a simulated service object receives, as (entry number, arguments as text),
// plus per-entry scripted results, so tests can prove which slot reached which entry.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace simhost {

struct RecordedCall {
    int entry;
    std::vector<std::string> arguments;

    bool operator==(const RecordedCall& other) const { return entry == other.entry && arguments == other.arguments; }
};

// How an argument is written down: numbers in decimal (doubles exactly), texts as their
// characters ("(null)" for none), every other pointer as its address.
inline std::string argText(const char* text) { return text ? std::string(text) : std::string("(null)"); }
inline std::string argText(char* text) { return argText(static_cast<const char*>(text)); }
template <class T>
std::string argText(T value) {
    std::ostringstream out;
    if constexpr (std::is_pointer_v<T>) {
        out << static_cast<const void*>(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        out.precision(17);
        out << static_cast<double>(value);
    } else if constexpr (std::is_signed_v<T>) {
        out << static_cast<long long>(value);
    } else {
        out << static_cast<unsigned long long>(value);
    }
    return out.str();
}

template <class... Args>
RecordedCall call(int entry, const Args&... args) {
    return RecordedCall{entry, {argText(args)...}};
}

std::ostream& operator<<(std::ostream& out, const RecordedCall& recorded);

// Safe to use from any thread; host entries may be called from the module's render threads.
class CallRecorder {
public:
    template <class... Args>
    void record(int entry, const Args&... args) {
        if (!recording.load(std::memory_order_relaxed)) return;
        RecordedCall recorded = call(entry, args...);
        std::lock_guard<std::mutex> hold(mutex);
        log.push_back(std::move(recorded));
    }

    std::vector<RecordedCall> calls() const;
    // The most recent call, or entry -1 when none was made.
    RecordedCall last() const;
    size_t count() const;
    // Calls made to one entry.
    size_t countOf(int entry) const;
    void clear();

    // Off: calls are answered as scripted but not written down, so a long-running host (the
    // validator) neither grows the log nor allocates while the module calls it from render.
    void setRecording(bool on) { recording.store(on, std::memory_order_relaxed); }

    // Makes an entry answer `code`; a non-zero code also makes it skip its work (no out values).
    void setResult(int entry, int32_t code);
    int32_t resultFor(int entry) const;

private:
    std::atomic<bool> recording{true};
    mutable std::mutex mutex;
    std::vector<RecordedCall> log;
    std::map<int, int32_t> results;
};

}  // namespace simhost
