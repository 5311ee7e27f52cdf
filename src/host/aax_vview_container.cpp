// View container proxy: the host window's kind and native view, forwarded for the editor.
#include "host/aax_vview_container.h"

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "host/host_query.h"

AAX_VViewContainer::AAX_VViewContainer(IACFUnknown* hostUnknown)
    : container(queryHostInterface<IHostViewContainer>(hostUnknown, IID_HostViewContainer)) {}

// The query added a reference; giving it back lets the host free its window object after detach.
AAX_VViewContainer::~AAX_VViewContainer() {
    if (container) container->Release();
}

int32_t AAX_VViewContainer::GetContainerKind() { return container ? container->GetType() : 0; }

void* AAX_VViewContainer::GetNativeView() { return container ? container->GetPtr() : nullptr; }

int32_t AAX_VViewContainer::Slot3(uint32_t* a) { return container ? container->Entry5(a) : kResultUnsupported; }

int32_t AAX_VViewContainer::Slot4(const void* a, void* b) { return container ? container->Entry6(a, b) : kResultSuccess; }

int32_t AAX_VViewContainer::Slot5(const void* a, void* b) {
    return container ? container->Entry7(a, b) : kResultUnsupported;
}

int32_t AAX_VViewContainer::Slot6(const char* a, uint32_t b) {
    return container ? container->Entry8(a, b) : kResultUnsupported;
}

int32_t AAX_VViewContainer::Slot7(const char* a) { return container ? container->Entry9(a) : kResultUnsupported; }
