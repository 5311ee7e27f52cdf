// The simulated view container: a fixed kind and native view for the editor to open into.
#include "simhost/sim_view_container.h"

#include "host/host_iids.h"

namespace simhost {

int32_t SimViewContainer::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostViewContainer;
    return answerQuery(this, static_cast<IHostViewContainer*>(this), matches, out);
}

SimViewContainer::~SimViewContainer() {
    if (windowDestroyed) windowDestroyed();
    ownedWindow.reset();
}

void SimViewContainer::destroyWindowWithLastReference(std::unique_ptr<NativeWindow> window,
                                                      std::function<void()> destroyed) {
    ownedWindow = std::move(window);
    windowDestroyed = std::move(destroyed);
}

int32_t SimViewContainer::GetType() {
    recorder.record(3);
    return containerKind.load();
}

void* SimViewContainer::GetPtr() {
    recorder.record(4);
    return nativeView.load();
}

int32_t SimViewContainer::Entry5(uint32_t* a) {
    recorder.record(5, a);
    return recorder.resultFor(5);
}

int32_t SimViewContainer::Entry6(const void* a, void* b) {
    recorder.record(6, a, b);
    return recorder.resultFor(6);
}

int32_t SimViewContainer::Entry7(const void* a, void* b) {
    recorder.record(7, a, b);
    return recorder.resultFor(7);
}

int32_t SimViewContainer::Entry8(const char* a, uint32_t b) {
    recorder.record(8, a, b);
    return recorder.resultFor(8);
}

int32_t SimViewContainer::Entry9(const char* a) {
    recorder.record(9, a);
    return recorder.resultFor(9);
}

}  // namespace simhost
