// The simulated automation service: keeps what the module registered, touched and posted.
#include "simhost/sim_automation.h"

#include "host/host_iids.h"

namespace simhost {

int32_t SimAutomation::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostAutomation;
    return answerQuery(this, static_cast<IHostAutomation*>(this), matches, out);
}

// Each entry records first, takes the host lock when there is one, then answers a scripted failure or a missing ID without changing state.
int32_t SimAutomation::RegisterParameter(const char* id) {
    recorder.record(3, id);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(3);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    std::lock_guard<std::mutex> hold(stateMutex);
    registered.insert(id);
    return result;
}

int32_t SimAutomation::UnregisterParameter(const char* id) {
    recorder.record(4, id);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(4);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    std::lock_guard<std::mutex> hold(stateMutex);
    registered.erase(id);
    touched.erase(id);
    return result;
}

int32_t SimAutomation::PostSetValueRequest(const char* id, double normalized) {
    recorder.record(5, id, normalized);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(5);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    if (setValueHook) setValueHook(id, normalized);
    return result;
}

int32_t SimAutomation::PostCurrentValue(const char* id, double normalized) {
    recorder.record(6, id, normalized);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(6);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    std::lock_guard<std::mutex> hold(stateMutex);
    currentValues[id] = normalized;
    return result;
}

int32_t SimAutomation::PostTouchRequest(const char* id) {
    recorder.record(7, id);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(7);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    std::lock_guard<std::mutex> hold(stateMutex);
    touched.insert(id);
    return result;
}

int32_t SimAutomation::PostReleaseRequest(const char* id) {
    recorder.record(8, id);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(8);
    if (result != 0 || !id) return result != 0 ? result : kResultNoParameter;
    std::lock_guard<std::mutex> hold(stateMutex);
    touched.erase(id);
    return result;
}

int32_t SimAutomation::Entry9(const char* id, uint32_t* a) {
    recorder.record(9, id, a);
    return recorder.resultFor(9);
}

bool SimAutomation::isRegistered(const std::string& id) const {
    std::lock_guard<std::mutex> hold(stateMutex);
    return registered.count(id) != 0;
}

size_t SimAutomation::registeredCount() const {
    std::lock_guard<std::mutex> hold(stateMutex);
    return registered.size();
}

bool SimAutomation::isTouched(const std::string& id) const {
    std::lock_guard<std::mutex> hold(stateMutex);
    return touched.count(id) != 0;
}

bool SimAutomation::currentValue(const std::string& id, double* normalized) const {
    std::lock_guard<std::mutex> hold(stateMutex);
    const auto found = currentValues.find(id);
    if (found == currentValues.end()) return false;
    if (normalized) *normalized = found->second;
    return true;
}

}  // namespace simhost
