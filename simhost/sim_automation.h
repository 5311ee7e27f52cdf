// The simulated host's automation service: registrations, touches, requests and current values,
// every entry recorded; set-value requests go to a hook so the host can answer later.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/host_lock.h"
#include "simhost/host_object.h"

namespace simhost {

class SimAutomation final : public IHostAutomation, public RefCounted {
public:
    // Called for each accepted set-value request, outside the service's own lock (inside the host
    // lock when there is one). A host answers by calling UpdateParameterNormalizedValue on the
    // effect parameters, now or later.
    using SetValueHook = std::function<void(const std::string& id, double normalized)>;

    SimAutomation() = default;

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

    int32_t RegisterParameter(const char* id) override;
    int32_t UnregisterParameter(const char* id) override;
    int32_t PostSetValueRequest(const char* id, double normalized) override;
    int32_t PostCurrentValue(const char* id, double normalized) override;
    int32_t PostTouchRequest(const char* id) override;
    int32_t PostReleaseRequest(const char* id) override;
    int32_t Entry9(const char* id, uint32_t* a) override;

    // Set before the module runs.
    void setSetValueHook(SetValueHook hook) { setValueHook = std::move(hook); }
    // Set before the module runs. The host's own lock, taken by every entry that does work (null: none).
    void setHostLock(HostLock* lock) { hostLock = lock; }

    bool isRegistered(const std::string& id) const;
    size_t registeredCount() const;
    bool isTouched(const std::string& id) const;
    // The last current value the module posted for a parameter; false if none.
    bool currentValue(const std::string& id, double* normalized) const;

    // A failure set through the recorder (setResult) makes an entry answer it and change nothing.
    CallRecorder recorder;

private:
    ~SimAutomation() override = default;

    SetValueHook setValueHook;
    HostLock* hostLock = nullptr;
    mutable std::mutex stateMutex;
    std::set<std::string> registered;
    std::set<std::string> touched;
    std::map<std::string, double> currentValues;
};

}  // namespace simhost
