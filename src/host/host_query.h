// Asks a host unknown for one interface on behalf of the run-time proxies.
#pragma once

#include "acf/acf_types.h"

// The query's result is not examined; the out pointer starts null so a host that fails without
// writing it leaves the proxy without that interface. Null unknown: no interface.
template <class Interface>
Interface* queryHostInterface(IACFUnknown* hostUnknown, const GUID& iid) {
    void* found = nullptr;
    if (hostUnknown) hostUnknown->QueryInterface(iid, &found);
    return static_cast<Interface*>(found);
}
