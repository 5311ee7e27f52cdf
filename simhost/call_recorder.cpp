// Call log and scripted results shared by the simulated host's service objects.
#include "simhost/call_recorder.h"

#include <ostream>

namespace simhost {

std::ostream& operator<<(std::ostream& out, const RecordedCall& recorded) {
    out << "entry " << recorded.entry << "(";
    for (size_t i = 0; i < recorded.arguments.size(); ++i) out << (i ? ", " : "") << recorded.arguments[i];
    return out << ")";
}

std::vector<RecordedCall> CallRecorder::calls() const {
    std::lock_guard<std::mutex> hold(mutex);
    return log;
}

RecordedCall CallRecorder::last() const {
    std::lock_guard<std::mutex> hold(mutex);
    return log.empty() ? RecordedCall{-1, {}} : log.back();
}

size_t CallRecorder::count() const {
    std::lock_guard<std::mutex> hold(mutex);
    return log.size();
}

size_t CallRecorder::countOf(int entry) const {
    std::lock_guard<std::mutex> hold(mutex);
    size_t n = 0;
    for (const RecordedCall& recorded : log) n += recorded.entry == entry ? 1 : 0;
    return n;
}

void CallRecorder::clear() {
    std::lock_guard<std::mutex> hold(mutex);
    log.clear();
}

void CallRecorder::setResult(int entry, int32_t code) {
    std::lock_guard<std::mutex> hold(mutex);
    results[entry] = code;
}

int32_t CallRecorder::resultFor(int entry) const {
    std::lock_guard<std::mutex> hold(mutex);
    const auto found = results.find(entry);
    return found == results.end() ? 0 : found->second;
}

}  // namespace simhost
